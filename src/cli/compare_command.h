#pragma once
// `quorvane-cli lap` and `quorvane-cli compare`: one lap as the lap CSV
// export writes it, and up to four laps in the slots with their read-outs.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kLapUsage;
extern const char* const kCompareUsage;

int RunLap(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCompare(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
