#pragma once
// The command-line tool's commands. Each writes its report to `out`, its
// errors to `err`, and returns the process exit code.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
