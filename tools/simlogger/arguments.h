#pragma once
// The simulator's command line, and the logger it describes: shared by the
// program and by tests that run the same logger inside their own process.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simlogger/fault_injector.h"
#include "simlogger/logger_line.h"
#include "simlogger/logger_state.h"

namespace qv::sim {

struct Arguments {
    std::string model;
    std::string image;
    std::string faults;
    std::string release;
    std::string unplugOn;
    std::string muteOn;
    uint64_t seed = 1;
    int eraseMs = 2000;
    bool anyBaud = false;
};

// False on an unknown option, a missing or bad value, or no model.
bool ParseArguments(const std::vector<std::string>& args, Arguments& out);

struct LoggerSetup {
    std::unique_ptr<LoggerState> state;  // null when `error` says why
    FaultPlan plan;
    uint64_t seed = 1;
    ServeOptions options;
    std::string error;
    bool badArguments = false;  // the error lies in the arguments, not in the image file
};

LoggerSetup SetUpLogger(const Arguments& args);

}  // namespace qv::sim
