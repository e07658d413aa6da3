#pragma once
// The logger's life on the pseudo-terminal: read commands, answer them one
// after another, survive the program closing and reopening the port.

#include <functional>
#include <string>

#include "simlogger/fault_injector.h"
#include "simlogger/logger_line.h"
#include "simlogger/logger_state.h"
#include "simlogger/pseudo_terminal.h"

namespace qv::sim {

enum class ServeEnd { Stopped, Unplugged, Failed };

// Runs until `stopRequested` returns true (asked every few milliseconds,
// also during long answers and the erase), an unplug fault, or a master
// that fails. An unplug closes the master before returning.
ServeEnd Serve(PseudoTerminal& pty, LoggerState& state, FaultInjector& faults,
               const ServeOptions& options, const std::function<bool()>& stopRequested);

}  // namespace qv::sim
