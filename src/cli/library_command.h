#pragma once
// `quorvane-cli library`: the session library the window keeps, from the
// command line: add logs, list tracks and sessions, the personal bests.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kLibraryUsage;

// `args` are the arguments after the word "library".
int RunLibrary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
