#pragma once
// Where the tests find their data and the programs they run. The paths are
// compiled into one small file only, so that every other test file compiles
// the same in any checkout and a compiler cache can share it.

#include <string>

namespace qv::test {

std::string TestDataDir();    // tests/data
std::string ShippedDir();     // data/shipped
std::string DesktopDir();     // data/desktop
std::string CliPath();        // the built quorvane-cli
std::string SimLoggerPath();  // the built quorvane-simlogger

}  // namespace qv::test
