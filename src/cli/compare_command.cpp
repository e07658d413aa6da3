#include "cli/compare_command.h"

#include <ostream>

#include "app/analysis.h"
#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "core/display_format.h"
#include "dynamics/detail_texts.h"
#include "dynamics/sector_tables.h"
#include "dynamics/slot_commands.h"
#include "dynamics/time_diff.h"
#include "exchange/lap_csv.h"
#include "laps/lap_file_io.h"

namespace qv::cli {

const char* const kLapUsage =
    "usage: quorvane-cli lap LAP [--drift-shown] [lap options]\n"
    "\n"
    "Prints one lap as \"Export lap data as CSV file\" writes it. LAP is a lap file\n"
    "(.dtb, .csvv, .bon, .bonz) or LOG:N, the lap numbered N (from 0) among the\n"
    "laps cut from the log LOG. --drift-shown writes the drift column of a drift\n"
    "run, as the program does while its drift graph is shown.\n"
    "\n"
    "lap options:\n";

const char* const kCompareUsage =
    "usage: quorvane-cli compare LAP... [--align-gate N] [--at SECONDS] [lap options]\n"
    "\n"
    "Puts up to four laps (LAP as for `lap`) into the slots A to D as the program\n"
    "does and prints the slot read-outs, the sector table, the drift table and the\n"
    "time difference of slot B against slot A at every gate. --align-gate aligns\n"
    "the laps at gate N as \"Adjust x-axis at sector gate\" does; --at prints the\n"
    "cursor samples of every slot at that play time.\n"
    "\n"
    "lap options:\n";

namespace {

struct LapArgs {
    LapOptions options;
    std::vector<std::string> laps;
    bool driftShown = false;
    std::optional<int> alignGate;
    std::optional<double> at;
};

// Parses the arguments; 0 when fine, else the exit code.
int Parse(const std::vector<std::string>& args, bool compare, LapArgs& parsed, std::ostream& err) {
    const auto own = [&](const std::vector<std::string>& all, size_t& k) {
        const std::string& a = all[k];
        if (!compare && a == "--drift-shown") {
            parsed.driftShown = true;
            return OptionParse::Taken;
        }
        if (!compare || (a != "--align-gate" && a != "--at") || k + 1 >= all.size())
            return OptionParse::NotMine;
        const std::string& v = all[++k];
        int gate = 0;
        double seconds = 0;
        if (a == "--align-gate" && ParseCount(v, gate) && gate <= MaxSectGate) {
            parsed.alignGate = gate;
        } else if (a == "--at" && ParseNumber(v, seconds)) {
            parsed.at = seconds;
        } else {
            err << "quorvane-cli: " << a << " needs "
                << (a == "--at" ? "a time in seconds" : "a gate number from 0 to 4") << "\n";
            return OptionParse::Failed;
        }
        return OptionParse::Taken;
    };
    const auto operand = [&parsed](const std::string& a) {
        parsed.laps.push_back(a);
        return true;
    };
    if (const int code = ParseLapCommand(args, parsed.options, err, own, operand))
        return code;
    if (parsed.laps.empty() || (!compare && parsed.laps.size() > 1) ||
        parsed.laps.size() > static_cast<size_t>(LapStore::kMaxLapSlots)) {
        err << "quorvane-cli: "
            << (compare ? "compare takes one to four laps\n" : "lap takes one LAP\n");
        return 2;
    }
    return 0;
}

void PrintTable(std::ostream& out, const char* title, const auto& table) {
    out << title << "\n";
    for (const auto& row : table) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c)
            line += (c ? "\t" : "") + row[c];
        // Trailing empty cells carry nothing.
        while (!line.empty() && line.back() == '\t')
            line.pop_back();
        out << line << "\n";
    }
}

}  // namespace

int RunLap(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapArgs parsed;
    if (const int code = Parse(args, false, parsed, err))
        return code;
    CliSession laps(parsed.options, err);
    if (!laps.Ready())
        return 1;
    LapArgumentResolver resolver(laps, err);
    const int row = resolver.Row(parsed.laps[0]);
    if (row < 1)
        return 1;
    Session& session = laps.session();
    const LapRow& cells = session.laps.LapRows[static_cast<size_t>(row - 1)];
    const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, cells[1]));
    const std::optional<std::string> text = LapCsvText(read.samples, parsed.driftShown);
    if (!text) {
        err << "quorvane-cli: the lap has fewer than " << kLapCsvMinSamples << " samples\n";
        return 1;
    }
    out << *text;
    return 0;
}

int RunCompare(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapArgs parsed;
    if (const int code = Parse(args, true, parsed, err))
        return code;
    CliSession laps(parsed.options, err);
    if (!laps.Ready())
        return 1;
    if (!LapArgumentResolver(laps, err).ShowInSlots(parsed.laps))
        return 1;
    Session& session = laps.session();
    const int gates = session.gates.UsedCount();
    if (parsed.alignGate) {
        // The alignment button steps through the gates; a gate some lap
        // never passes cannot be chosen.
        for (int presses = 0; presses <= gates && session.align.AlignGate != *parsed.alignGate;
             ++presses) {
            const AlignGateStep step = SpeedButtonDistOfsClick(session.laps.LapDt, session.sectRes,
                                                               gates, false, session.align);
            if (step.playTimeJumped)
                session.presentation.playTime = step.playTime;
        }
        if (session.align.AlignGate != *parsed.alignGate) {
            err << "quorvane-cli: the laps cannot be aligned at gate " << *parsed.alignGate << "\n";
            return 1;
        }
    }
    if (parsed.at)
        MoveCursor(session, *parsed.at);

    const std::array<SlotReadout, 4> slots = SlotReadouts(session);
    DiffReadout diff{session.presentation.showTimeDiff, session.align.DiffCur,
                     session.align.DiffMin, session.align.DiffMax};
    const DataLabels labels =
        SetDataStr(session.presentation.playTime, slots, gates, diff, session.settings);
    out << "play time: " << labels.playTime << "\n";
    static const char kSlotLetters[] = "ABCD";
    for (size_t k = 0; k < 4; ++k) {
        if (slots[k].lap == nullptr)
            continue;
        out << "slot " << kSlotLetters[k] << ": " << labels.summary[k] << "\n";
        out << "slot " << kSlotLetters[k] << " sectors: " << labels.sectorLine[k] << "\n";
    }
    const DetailTables tables = SetSectGrid(slots, gates);
    PrintTable(out, "sector table:", tables.sector);
    PrintTable(out, "drift table:", tables.drift);

    if (session.laps.LapDtNum() >= 2) {
        out << "time difference of slot B against slot A:\n";
        const TLapDtRec& ref = session.laps.LapDt[0];
        for (int g = 0; g < gates; ++g) {
            const Float80 at = session.sectRes[0].SectPassTim[static_cast<size_t>(g)];
            out << StrFormat("  gate %d at %.3f s: %+.3f s\n", g + 1, static_cast<double>(at),
                             static_cast<double>(DiffAtTime(ref, session.align, at)));
        }
        out << StrFormat(
            "  lap end: %+.3f s\n",
            static_cast<double>(session.align.DiffArr.empty() ? 0 : session.align.DiffArr.back()));
    }
    if (parsed.at) {
        out << "cursor samples at " << StrFormat("%.3f", *parsed.at) << " s:\n";
        out << "slot,time_s,lat,lon,speed_kmh,dist_km,dir,gps_dir,drift_deg,radius_m,lateral_g,"
               "longitudinal_g,speed_at_ref_dist_kmh\n";
        for (size_t k = 0; k < session.laps.LapDt.size() && k < 4; ++k) {
            const CurSmp& c = session.align.cursor[k];
            out << kSlotLetters[k]
                << StrFormat(",%.3f,%.7f,%.7f,%.2f,%.3f,%.1f,%.1f,%.1f,%.2f,%.3f,%.3f,%.2f\n",
                             static_cast<double>(c.CsTim), static_cast<double>(c.CsIdo),
                             static_cast<double>(c.CsKdo), static_cast<double>(c.CsSpd),
                             static_cast<double>(c.CsDist), static_cast<double>(c.CsDir),
                             static_cast<double>(c.CsGpsDir), static_cast<double>(c.CsDAngle),
                             static_cast<double>(c.CsR23), static_cast<double>(c.CsLateG3),
                             static_cast<double>(c.CsLogiG3), static_cast<double>(c.CsSpdD));
        }
    }
    return 0;
}

}  // namespace qv::cli
