#pragma once
// What a shell command writes to its standard output.

#include <cstdio>
#include <string>

namespace qv::test {

// The output, and through `status` what pclose reported; empty when the
// shell could not be started.
inline std::string ShellOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int raw = pclose(pipe);
    if (status != nullptr)
        *status = raw;
    return out;
}

}  // namespace qv::test
