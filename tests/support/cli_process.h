#pragma once
// The command-line tool run as a user runs it: a real process in UTC, its
// standard output and error captured.

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv::test {

struct CliOutput {
    int status = -1;  // the exit code, -1 when the process did not exit normally
    std::string out;
    std::vector<std::string> lines;  // `out` split at line ends, CR LF ends removed
    std::string err;
};

// `args` are quoted for the shell by the caller; `env` goes before the
// command ("NAME=value ...").
inline CliOutput RunCliProcess(const std::string& args, const std::string& env = "") {
    TempDir dir;
    const std::string errPath = (dir / "stderr").string();
    const std::string command =
        "TZ=UTC " + env + " '" + CliPath() + "' " + args + " 2>'" + errPath + "'";
    CliOutput result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.lines.push_back(line);
    }
    const std::vector<uint8_t> err = ReadBytes(errPath);
    result.err.assign(err.begin(), err.end());
    return result;
}

}  // namespace qv::test
