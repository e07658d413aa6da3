#include "cli/laps_command.h"

#include <ostream>

#include "cli/lap_options.h"
#include "exchange/list_csv.h"

namespace qv::cli {

const char* const kLapsUsage =
    "usage: quorvane-cli laps FILE... [lap options]\n"
    "\n"
    "Opens each log in turn as the program does (laps accumulate and number on),\n"
    "cuts the laps at the control line, or between the start and finish lines,\n"
    "and prints the lap list as CSV, sector and drift columns included.\n"
    "\n"
    "lap options:\n";

int RunLaps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::vector<std::string> files;
    for (size_t k = 0; k < args.size(); ++k) {
        const OptionParse parsed = ParseLapOption(args, k, options, err);
        if (parsed == OptionParse::Failed)
            return 2;
        if (parsed == OptionParse::Taken)
            continue;
        if (!args[k].empty() && args[k][0] == '-') {
            err << "quorvane-cli: unknown option " << args[k] << "\n";
            return 2;
        }
        files.push_back(args[k]);
    }
    if (!CheckLapOptions(options, err))
        return 2;
    if (files.empty()) {
        err << "quorvane-cli: laps needs at least one FILE\n";
        return 2;
    }
    CliSession laps(options, err);
    if (!laps.Ready())
        return 1;
    bool allOpened = true;
    for (const std::string& file : files)
        allOpened &= laps.OpenLog(file);
    Session& session = laps.session();
    out << ListCsvText(session.listHeader, session.laps.LapRows);
    return allOpened ? 0 : 1;
}

}  // namespace qv::cli
