#pragma once
// The logger's life on the pseudo-terminal: read commands, answer them one
// after another, survive the program closing and reopening the port.

#include <functional>
#include <string>

#include "simlogger/fault_injector.h"
#include "simlogger/logger_state.h"
#include "simlogger/pseudo_terminal.h"

namespace qv::sim {

struct ServeOptions {
    int eraseMs = 2000;
    bool anyBaud = false;  // answer whatever line speed the program chose
    // The logger goes away, unanswering, when a command beginning with this
    // arrives (a cable pulled during a status read or an erase); empty: never.
    std::string unplugOn;
    // From the first command beginning with this on, the logger answers
    // nothing more; empty: never.
    std::string muteOn;
};

enum class ServeEnd { Stopped, Unplugged, Failed };

// Runs until `stopRequested` returns true (asked every few milliseconds,
// also during long answers and the erase), an unplug fault, or a master
// that fails. An unplug closes the master before returning.
ServeEnd Serve(PseudoTerminal& pty, LoggerState& state, FaultInjector& faults,
               const ServeOptions& options, const std::function<bool()>& stopRequested);

}  // namespace qv::sim
