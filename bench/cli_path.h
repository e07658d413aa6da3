#pragma once
// The quorvane-cli given with --cli=PATH, for the benchmarks that measure
// the memory of the program's own process; empty when none was given.

#include <string>

namespace qv::bench {

const std::string& CliPath();

}  // namespace qv::bench
