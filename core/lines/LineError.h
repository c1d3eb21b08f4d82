#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace linnery {

// An error raised by a list, file or control operation; commands do not catch it, the window or the
// command line reports it. Its words are UTF-8. A path in it stays file-system bytes until the reader's
// side shows it (the window decodes it as a file name, the command line writes it as it came). File
// errors also carry the file and the system's reason (the locale's encoding), which the message itself
// never shows: they are told after it, as its detail.
class LineError : public std::runtime_error {
  public:
    explicit LineError(const std::string& message) : std::runtime_error(message), lead_(message) {}
    // lead + path + tail; what() holds them joined, the path as bytes.
    LineError(std::string lead, std::string path, std::string tail)
        : std::runtime_error(lead + path + tail), lead_(std::move(lead)), path_(std::move(path)),
          tail_(std::move(tail)), namesPath_(true) {}

    const std::string& lead() const { return lead_; }
    const std::string& path() const { return path_; }
    const std::string& tail() const { return tail_; }
    bool namesPath() const { return namesPath_; }
    const std::string& reason() const { return reason_; }
    // The lead and tail in English, for a reader whose character set cannot show the Japanese words;
    // empty for an error raised with a message of its own.
    const std::string& englishLead() const { return englishLead_; }
    const std::string& englishTail() const { return englishTail_; }
    // Why, to show after the message: "path: reason", the reason alone, or nothing without a reason. The
    // path is file-system bytes, the reason in the locale's encoding.
    std::string detail() const;
    // The same error told with another reason.
    LineError withReason(std::string reason) const {
        LineError e(*this);
        e.reason_ = std::move(reason);
        return e;
    }

    // "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)"
    static LineError listIndex(long long index);
    // "行を挿入できません"
    static LineError insert();
    // "ﾌｧｲﾙ %s は開けません", path as given (bytes)
    static LineError open(std::string_view path, std::string reason = {});
    // "ﾌｧｲﾙ %s を作成できません"
    static LineError create(std::string_view path, std::string reason = {});
    // "ｽﾄﾘｰﾑへの書き込みｴﾗｰ"; the path (or a stream's name, such as "standard output") goes only into the
    // detail
    static LineError write(std::string_view path = {}, std::string reason = {});
    // "RichEdit での行の挿入ｴﾗｰ"
    static LineError staging();
    // A typed text holds a character (UTF-8) that the document's code page cannot hold.
    static LineError notInCodePage(std::string_view character, std::string_view codePage);
    // "ﾌｫﾙﾀﾞ %s に保存前の内容の控えを作成できません": an in-place save refused because no folder took the
    // copy of the old content it keeps until the new one is on the disk; the folder is the last one tried.
    static LineError safetyCopyFolder(std::string_view folder, std::string reason = {});
    // "保存が途中で終わったときの元の内容が %s に残っています": a leftover safety copy, found when the
    // file was loaded or could not be saved.
    static LineError leftoverCopy(std::string_view copyPath);
    // "保存が途中で終わったときの元の内容 %s は、保存できたので削除しました"
    static LineError leftoverCopyRemoved(std::string_view copyPath);

  private:
    LineError& inEnglish(std::string lead, std::string tail = {}) {
        englishLead_ = std::move(lead);
        englishTail_ = std::move(tail);
        return *this;
    }

    std::string lead_, path_, tail_, reason_;
    std::string englishLead_, englishTail_;
    bool namesPath_ = false;
};

// The system's text for an errno value.
std::string systemReason(int error);

// The text of the error box: the message (UTF-8), plus "." when its last character compares greater
// than "." byte by byte (so a message ending in ")" stays as it is).
std::string errorBoxText(std::string_view message);

// The same for an error, in the reader's encoding: `words` converts the message's UTF-8 words and `path`
// the path's file-system bytes.
using TextConversion = std::function<std::string(std::string_view)>;
std::string errorBoxText(const LineError& error, const TextConversion& words, const TextConversion& path);

} // namespace linnery
