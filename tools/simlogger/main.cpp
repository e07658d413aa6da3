// quorvane-simlogger: a GPS lap logger on a pseudo-terminal, for developing
// and testing the device link without hardware.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "simlogger/arguments.h"
#include "simlogger/pseudo_terminal.h"
#include "simlogger/serve.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

constexpr const char* kUsage =
    "usage: quorvane-simlogger --model qv4|qv3|generic [--image FILE] [--faults LIST]\n"
    "                          [--seed N] [--erase-ms N] [--release TEXT] [--any-baud]\n"
    "                          [--unplug-on TEXT] [--mute-on TEXT]\n"
    "\n"
    "Prints the path of its serial device on the first line of standard output,\n"
    "then answers as the logger until SIGTERM or SIGINT, or until its standard\n"
    "input reaches end of file (keep a pipe open to it; closing the pipe stops it).\n"
    "\n"
    "  --image FILE    flash content; shorter files are padded with erased bytes\n"
    "                  (without it the flash is erased)\n"
    "  --faults LIST   comma-separated: drop=P badsum=P lowersum=P glue=P late=P\n"
    "                  latems=MS dup=P latency=MS missfirst=N unplug=P% unplug=N\n"
    "  --seed N        makes the faults reproducible (default 1)\n"
    "  --erase-ms N    time the erase takes (default 2000)\n"
    "  --release TEXT  release text instead of the model's own\n"
    "  --any-baud      answer at every line speed\n"
    "  --unplug-on TEXT  go away, unanswering, at the first command beginning\n"
    "                  with TEXT (e.g. PMTK182,6,1: during the erase)\n"
    "  --mute-on TEXT  answer nothing more from the first command beginning\n"
    "                  with TEXT on\n"
    "\n"
    "Exit status: 0 stopped, 3 unplugged by a fault, 2 bad arguments, 1 set-up failed.\n";

// Consumes whatever waits on standard input; true once it is at its end.
bool StdinClosed() {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0)
        return false;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
}

}  // namespace

int main(int argc, char** argv) {
    qv::sim::Arguments args;
    if (!qv::sim::ParseArguments({argv + 1, argv + argc}, args)) {
        std::cerr << kUsage;
        return 2;
    }
    qv::sim::LoggerSetup setup = qv::sim::SetUpLogger(args);
    if (!setup.state) {
        std::cerr << "quorvane-simlogger: " << setup.error << "\n";
        if (!setup.badArguments)
            return 1;
        std::cerr << kUsage;
        return 2;
    }
    qv::sim::LoggerState& state = *setup.state;

    std::string error;
    std::optional<qv::sim::PseudoTerminal> pty = qv::sim::PseudoTerminal::Open(error);
    if (!pty) {
        std::cerr << "quorvane-simlogger: " << error << "\n";
        return 1;
    }
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::cout << pty->SlavePath() << std::endl;

    qv::sim::FaultInjector faults(setup.plan, setup.seed);
    bool stdinClosed = false;
    const qv::sim::ServeEnd end = qv::sim::Serve(*pty, state, faults, setup.options, [&] {
        stdinClosed = stdinClosed || StdinClosed();
        return stopSignal != 0 || stdinClosed;
    });
    switch (end) {
        case qv::sim::ServeEnd::Stopped:
            return 0;
        case qv::sim::ServeEnd::Unplugged:
            return 3;
        case qv::sim::ServeEnd::Failed:
            return 1;
    }
    return 1;
}
