#include "cli/corners_command.h"

#include <ostream>

#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "dynamics/corner_table.h"

namespace qv::cli {

const char* const kCornersUsage =
    "usage: quorvane-cli corners LAP [LAP...] [--by-position] [--sorted] [lap options]\n"
    "\n"
    "Puts up to four laps (LAP as for `lap`) into the slots A to D as the program\n"
    "does and prints the corner table as CSV: for every corner of slot A's lap and\n"
    "every other slot, the time lost over the corner's stretch of track (negative:\n"
    "gained), the braking point and how much later than slot A it lies, the\n"
    "lowest speed and where, the exit speed and the time in the corner; a total\n"
    "row per slot ends the table. With one lap only the header is printed.\n"
    "--by-position puts the laps beside slot A by position on its path instead of\n"
    "by travelled distance; --sorted lists the largest loss first.\n"
    "\n"
    "lap options:\n";

int RunCorners(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::vector<std::string> laps;
    CornerTableOptions tableOptions;
    bool sorted = false;
    const auto own = [&](const std::vector<std::string>& all, size_t& k) {
        if (all[k] == "--by-position") {
            tableOptions.mode = AlignMode::kByPosition;
            return OptionParse::Taken;
        }
        if (all[k] == "--sorted") {
            sorted = true;
            return OptionParse::Taken;
        }
        return OptionParse::NotMine;
    };
    if (const int code = ParseLapCommand(args, options, err, own, CollectLaps(laps)))
        return code;
    if (!FitTheSlots(laps, "corners", err))
        return 2;
    CliSession cli(options, err);
    if (!cli.Ready() || !LapArgumentResolver(cli, err).ShowInSlots(laps))
        return 1;
    Session& session = cli.session();
    CornerTable table = BuildCornerTable(session.laps.LapDt, session.sectRes,
                                         session.gates.UsedCount(), tableOptions);
    if (sorted)
        SortByTimeLost(table);
    out << CornerTableCsv(table);
    return 0;
}

}  // namespace qv::cli
