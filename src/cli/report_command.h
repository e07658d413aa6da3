#pragma once
// `quorvane-cli report`: the session report of the laps as a PDF file.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kReportUsage;

// `args` are the arguments after the word "report".
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
