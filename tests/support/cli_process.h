#pragma once
// The command-line tool run as a user runs it: a real process in UTC, its
// standard output and error captured.

#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/shell_output.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv::test {

struct CliOutput {
    int status = -1;  // the exit code, -1 when the process did not exit normally
    std::string out;
    std::vector<std::string> lines;  // `out` split at line ends, CR LF ends removed
    std::string err;
};

inline void SplitLines(CliOutput& result) {
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.lines.push_back(line);
    }
}

// `args` are quoted for the shell by the caller; `env` goes before the
// command ("NAME=value ..."), and the shell runs `setup` (limits, traps)
// first.
inline CliOutput RunProgramProcess(const std::string& program, const std::string& args,
                                   const std::string& env = "", const std::string& setup = "") {
    TempDir dir;
    const std::string errPath = (dir / "stderr").string();
    const std::string command = setup + (setup.empty() ? "" : "; ") + "TZ=UTC " + env + " '" +
                                program + "' " + args + " 2>'" + errPath + "'";
    CliOutput result;
    int raw = -1;
    result.out = ShellOutput(command, &raw);
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    SplitLines(result);
    const std::vector<uint8_t> err = ReadBytes(errPath);
    result.err.assign(err.begin(), err.end());
    return result;
}

// The built quorvane-cli, as RunProgramProcess.
inline CliOutput RunCliProcess(const std::string& args, const std::string& env = "",
                               const std::string& setup = "") {
    return RunProgramProcess(CliPath(), args, env, setup);
}

// As RunCliProcess, with standard error on a pseudo-terminal: `err` is what
// the terminal was sent (line ends as CR LF).
inline CliOutput RunCliOnTerminal(const std::string& args, const std::string& env = "") {
    CliOutput result;
    TempDir dir;
    const std::string outPath = (dir / "stdout").string();
    const std::string command =
        "TZ=UTC " + env + " exec '" + CliPath() + "' " + args + " >'" + outPath + "' </dev/null";
    int master = -1, terminal = -1;
    if (openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, terminal, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, master);
    posix_spawn_file_actions_addclose(&actions, terminal);
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(terminal);
    if (spawned != 0) {
        close(master);
        return result;
    }
    char buffer[4096];
    // The terminal reports an error once the last writer has closed it.
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0)
            result.err.append(buffer, static_cast<size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    close(master);
    int raw = 0;
    if (waitpid(child, &raw, 0) == child)
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const std::vector<uint8_t> out = ReadBytes(outPath);
    result.out.assign(out.begin(), out.end());
    SplitLines(result);
    return result;
}

}  // namespace qv::test
