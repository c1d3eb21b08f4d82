// Helpers the core tests share, so that each test file keeps only what is its own.
#pragma once

#include "core/commands/Editor.h"
#include "core/lines/Document.h"
#include "core/lines/LineList.h"
#include "core/text/CodePage.h"
#include "core/text/Settings.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <vector>

namespace linnery::test {

using Lines = std::vector<std::string>;

inline Lines linesOf(const LineList& list) {
    return Lines(list.views().begin(), list.views().end());
}

inline Lines linesOf(const Document& doc) {
    return linesOf(doc.lines());
}

inline LineList listOf(std::initializer_list<const char*> lines) {
    LineList list;
    for (const char* line : lines)
        list.add(line);
    return list;
}

inline LineList listOf(const Lines& lines) {
    LineList list;
    for (const std::string& line : lines)
        list.add(line);
    return list;
}

inline void setLines(Editor& editor, const Lines& lines) {
    editor.doc.assign(listOf(lines));
}

inline std::vector<int> selectedOf(const Document& doc) {
    std::vector<int> out;
    for (int i = 0; i < doc.count(); ++i)
        if (doc.isSelected(i))
            out.push_back(i);
    return out;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes; // in blocks: a byte-wise iterator crawls in the sanitizer build
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, sorted.
inline std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Sends SIGINT to the process as soon as `ready()` holds, unless it ends first (it is not reaped).
inline void interruptWhen(pid_t pid, const std::function<bool()>& ready) {
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid)
            return;
        if (ready()) {
            ::kill(pid, SIGINT);
            return;
        }
    }
}

// A fresh folder per test, removed with everything in it afterwards, also where a test left a
// folder without write or search permission.
class TempDir {
  public:
    TempDir() {
        std::string pattern = "/tmp/linnery-test-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        makeRemovable(path_);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes a file in the folder and gives its path.
    std::string file(const std::string& name, const std::string& bytes) const {
        std::string p = file(name);
        writeBytes(p, bytes);
        return p;
    }

  private:
    // Each folder gets its permissions back before it is read, since only then can it be emptied;
    // links are not followed, so nothing outside the folder changes.
    static void makeRemovable(const std::filesystem::path& dir) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            if (it->symlink_status(ec).type() == fs::file_type::directory)
                makeRemovable(it->path());
    }

    std::string path_;
};

// The tests' settings, from their environment (LINNERY_LOCALE=ja, LINNERY_CODEPAGE=utf-8).
inline const TextSettings& testSettings() {
    static const TextSettings settings = TextSettings::read();
    return settings;
}

// The thread counts the sorts and the loading must give the same results with: one, two, an odd
// number, and more threads than the parts of a small input.
constexpr unsigned kThreadCounts[] = {1, 2, 3, 16};

// The tests' settings with that many threads, made once per count. `splitting`: the pool shares out
// even the smallest work in the smallest parts, so that a few lines take every cut a large text takes.
inline const TextSettings& settingsWithThreads(unsigned threads, bool splitting = false) {
    static std::map<std::pair<unsigned, bool>, TextSettings> made;
    auto it = made.find({threads, splitting});
    if (it == made.end())
        it = made.emplace(std::pair(threads, splitting),
                          TextSettings("utf-8", testSettings().collation()->locale(),
                                       std::make_shared<const ThreadPool>(threads, splitting)))
                 .first;
    return it->second;
}

// A document's context in the named code page, with the tests' collation.
inline TextContextPtr textIn(const char* codePage) {
    return testSettings().contextWith(std::make_shared<const CodePage>(codePage));
}

// Puts an environment variable back as it was, so that tests changing it do not leak into others.
class EnvVarScope {
  public:
    explicit EnvVarScope(const char* name) : name_(name) {
        if (const char* v = std::getenv(name))
            saved_ = v;
    }
    ~EnvVarScope() {
        if (saved_)
            ::setenv(name_.c_str(), saved_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    EnvVarScope(const EnvVarScope&) = delete;
    EnvVarScope& operator=(const EnvVarScope&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

} // namespace linnery::test
