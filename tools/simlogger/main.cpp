// quorvane-simlogger: a GPS lap logger on a pseudo-terminal, for developing
// and testing the device link without hardware.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "simlogger/fault_injector.h"
#include "simlogger/logger_state.h"
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

bool ParseNumber(const std::string& text, long long lo, long long hi, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && end == text.c_str() + text.size() && value >= lo && value <= hi;
}

bool ParseArguments(const std::vector<std::string>& args, Arguments& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        long long number = 0;
        if (a == "--any-baud") {
            out.anyBaud = true;
        } else if (!hasValue) {
            return false;
        } else if (a == "--model") {
            out.model = args[++i];
        } else if (a == "--image") {
            out.image = args[++i];
        } else if (a == "--faults") {
            out.faults = args[++i];
        } else if (a == "--release") {
            out.release = args[++i];
        } else if (a == "--unplug-on" && !args[i + 1].empty()) {
            out.unplugOn = args[++i];
        } else if (a == "--mute-on" && !args[i + 1].empty()) {
            out.muteOn = args[++i];
        } else if (a == "--seed" && ParseNumber(args[++i], 0, INT64_MAX, number)) {
            out.seed = static_cast<uint64_t>(number);
        } else if (a == "--erase-ms" && ParseNumber(args[++i], 0, 600000, number)) {
            out.eraseMs = static_cast<int>(number);
        } else {
            return false;
        }
    }
    return !out.model.empty();
}

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
    Arguments args;
    if (!ParseArguments({argv + 1, argv + argc}, args)) {
        std::cerr << kUsage;
        return 2;
    }
    const std::optional<qv::sim::LoggerModel> model = qv::sim::ParseLoggerModel(args.model);
    const qv::sim::FaultPlanResult plan = qv::sim::ParseFaultPlan(args.faults);
    if (!model || !plan.plan) {
        std::cerr << "quorvane-simlogger: " << (model ? plan.error : "unknown model " + args.model)
                  << "\n"
                  << kUsage;
        return 2;
    }
    std::vector<uint8_t> image;
    if (!args.image.empty()) {
        std::ifstream in(args.image, std::ios::binary);
        if (!in) {
            std::cerr << "quorvane-simlogger: cannot read " << args.image << "\n";
            return 1;
        }
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    qv::sim::LoggerState state = qv::sim::MakeLoggerState(*model, image);
    if (!args.release.empty())
        state.release = args.release;

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

    qv::sim::FaultInjector faults(*plan.plan, args.seed);
    const qv::sim::ServeOptions options{args.eraseMs, args.anyBaud, args.unplugOn, args.muteOn};
    bool stdinClosed = false;
    const qv::sim::ServeEnd end = qv::sim::Serve(*pty, state, faults, options, [&] {
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
