#pragma once
// `quorvane-cli device ...`: the device page's actions without the window.

#include <ostream>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kDeviceUsage;

// `args` follow the word "device". Exit status: 0 done, 1 the logger could
// not be reached or refused, 2 usage error.
int RunDevice(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
