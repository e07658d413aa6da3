#pragma once
// `quorvane-cli corners`: the corner table of up to four laps in the slots,
// as CSV.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kCornersUsage;

// `args` are the arguments after the word "corners".
int RunCorners(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
