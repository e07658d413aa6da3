#include "support/test_paths.h"

namespace qv::test {

std::string TestDataDir() {
    return QUORVANE_TEST_DATA_DIR;
}
std::string ShippedDir() {
    return QUORVANE_SHIPPED_DIR;
}
std::string DesktopDir() {
    return QUORVANE_DESKTOP_DIR;
}
std::string CliPath() {
    return QUORVANE_CLI_PATH;
}
std::string SimLoggerPath() {
    return QUORVANE_SIMLOGGER_PATH;
}

}  // namespace qv::test
