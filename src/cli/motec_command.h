#pragma once
// `quorvane-cli import-motec`: a MoTeC CSV lap as the lap list shows it.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kImportMotecUsage;

// `args` are the arguments after the word "import-motec".
int RunImportMotec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
