#include "simlogger/arguments.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

namespace qv::sim {

namespace {

bool ParseNumber(const std::string& text, long long lo, long long hi, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && end == text.c_str() + text.size() && value >= lo && value <= hi;
}

}  // namespace

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

LoggerSetup SetUpLogger(const Arguments& args) {
    LoggerSetup setup;
    const std::optional<LoggerModel> model = ParseLoggerModel(args.model);
    const FaultPlanResult plan = ParseFaultPlan(args.faults);
    if (!model || !plan.plan) {
        setup.error = model ? plan.error : "unknown model " + args.model;
        setup.badArguments = true;
        return setup;
    }
    std::vector<uint8_t> image;
    if (!args.image.empty()) {
        std::ifstream in(args.image, std::ios::binary);
        if (!in) {
            setup.error = "cannot read " + args.image;
            return setup;
        }
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    setup.state = std::make_unique<LoggerState>(MakeLoggerState(*model, image));
    if (!args.release.empty())
        setup.state->release = args.release;
    setup.plan = *plan.plan;
    setup.seed = args.seed;
    setup.options = ServeOptions{args.eraseMs, args.anyBaud, args.unplugOn, args.muteOn};
    return setup;
}

}  // namespace qv::sim
