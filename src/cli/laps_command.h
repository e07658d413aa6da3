#pragma once
// `quorvane-cli laps`: opens logs as the program does and prints the lap list.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kLapsUsage;

// `args` are the arguments after the word "laps".
int RunLaps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
