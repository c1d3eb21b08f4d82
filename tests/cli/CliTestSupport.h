// Runs the built linnery-cli for the end-to-end tests.
#pragma once

#include "../core/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace linnery::test {

using Args = std::vector<std::string>;

struct CliResult {
    int exitCode = -1; // -1 when the program did not end through exit
    int signal = 0;    // the signal that ended it
    std::string out;
    std::string err;
};

// The arguments joined by spaces, to name a run in failure messages.
inline std::string joined(const Args& args) {
    std::string text;
    for (const std::string& arg : args)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

namespace detail {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

inline File tempFile() {
    File file(std::tmpfile(), &std::fclose);
    if (!file)
        throw std::runtime_error("tmpfile failed");
    return file;
}

inline std::string contents(std::FILE* file) {
    std::rewind(file);
    std::string bytes;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;)
        bytes.append(buf, n);
    return bytes;
}

} // namespace detail

// How a run differs from the tests' own environment.
struct RunEnv {
    std::vector<std::string> vars; // "NAME=value", replacing the variable of that name
    long memoryKiB = 0;            // a `ulimit -v` for the run (0: none)
    std::string shellPrefix = {};  // shell words before the program: timeouts, exports ("exec timeout 10")
};

// A run of linnery-cli that has been started and not yet waited for.
struct CliProcess {
    pid_t pid = -1;
    detail::File out{nullptr, &std::fclose}, err{nullptr, &std::fclose};
};

// Starts linnery-cli with `args` and `input` as its standard input. No shell is involved unless a limit
// or prefix asks for one, and then it only passes the arguments on, so every argument byte (cp932 text,
// quotes, empty words) arrives as written. The three streams are unnamed temporary files, so no pipe
// can fill up and stall either side.
inline CliProcess startCli(const Args& args, const std::string& input = {}, const RunEnv& runEnv = {}) {
    const detail::File in = detail::tempFile();
    CliProcess p{-1, detail::tempFile(), detail::tempFile()};
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::fflush(in.get());
    std::rewind(in.get());

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(in.get()), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(p.out.get()), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(p.err.get()), STDERR_FILENO);
    std::vector<std::string> words;
    std::string script;
    if (runEnv.memoryKiB > 0)
        script = "ulimit -v " + std::to_string(runEnv.memoryKiB) + " && ";
    script += runEnv.shellPrefix.empty() ? "exec" : runEnv.shellPrefix;
    if (runEnv.memoryKiB > 0 || !runEnv.shellPrefix.empty())
        words = {"/bin/sh", "-c", script + " \"$0\" \"$@\""};
    words.push_back(LINNERY_CLI_PATH);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> vars = runEnv.vars;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        const std::string name = var.substr(0, var.find('=') + 1);
        if (std::none_of(runEnv.vars.begin(), runEnv.vars.end(),
                         [&](const std::string& v) { return v.rfind(name, 0) == 0; }))
            vars.push_back(var);
    }
    std::vector<char*> envp;
    for (std::string& var : vars)
        envp.push_back(var.data());
    envp.push_back(nullptr);
    const int spawned = ::posix_spawn(&p.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error(std::string("cannot start ") + argv[0]);
    return p;
}

inline CliResult finishCli(CliProcess& p) {
    int status = 0;
    while (::waitpid(p.pid, &status, 0) == -1)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = detail::contents(p.out.get());
    result.err = detail::contents(p.err.get());
    return result;
}

inline CliResult runCli(const Args& args, const std::string& input = {}, const RunEnv& runEnv = {}) {
    CliProcess p = startCli(args, input, runEnv);
    return finishCli(p);
}

// One run of a table: what goes in, the exit code, standard output and how standard error starts.
struct CliCase {
    const char* label;
    Args args;
    std::string input;
    RunEnv env;
    int exitCode;
    std::string out, errStart;
};

template <std::size_t N> void expectCliCases(const CliCase (&cases)[N]) {
    for (const CliCase& c : cases) {
        SCOPED_TRACE(c.label);
        const CliResult r = runCli(c.args, c.input, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart);
    }
}

} // namespace linnery::test
