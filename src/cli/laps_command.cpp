#include "cli/laps_command.h"

#include <filesystem>
#include <ostream>

#include "app/analysis.h"
#include "cli/lap_options.h"
#include "cli/progress_line.h"
#include "core/display_format.h"
#include "dynamics/lap_list_summary.h"
#include "exchange/list_csv.h"
#include "laps/lap_time_uncertainty.h"

namespace qv::cli {

const char* const kLapsUsage =
    "usage: quorvane-cli laps FILE... [lap options]\n"
    "\n"
    "Opens each log in turn as the program does (laps accumulate and number on),\n"
    "cuts the laps at the control line, or between the start and finish lines,\n"
    "and prints the lap list as CSV, sector and drift columns included.\n"
    "\n"
    "  --uncertainty   a last column \"Lap Time +- ms\": how far each lap time may be\n"
    "                  from the true one at about 95 % confidence\n"
    "  --best          after the list: the achievable best lap (the fastest pieces\n"
    "                  of the laps joined where two laps pass within 1 m), each\n"
    "                  piece with its lap and distance range, and the consistency\n"
    "                  of the flying laps (within 107 % of the best)\n"
    "\n"
    "lap options:\n";

namespace {

struct CutLap {
    std::string file;
    LapCandidate lap;
};

std::string DropText(LapDrop drop, const Settings& settings) {
    switch (drop) {
        case LapDrop::BelowMinLapTime:
            return StrFormat("below the minimum lap time of %.1f s", settings.MinLapTime);
        case LapDrop::BelowMinLapDist:
            return StrFormat("below the minimum distance of %.3f km", settings.MinLapDist);
        case LapDrop::TopSpeedBelow4:
            return "top speed below 4 km/h";
        case LapDrop::AverageBelow2:
            return "average speed below 2 km/h";
        case LapDrop::None:
            break;
    }
    return "its lap file could not be written";
}

// Why the list stayed empty: every lap cut, and what it failed.
void TellCutLaps(const std::vector<CutLap>& cut, const Settings& settings, std::ostream& err) {
    if (cut.empty()) {
        err << "quorvane-cli: no candidate lap was cut\n";
        return;
    }
    if (cut.size() == 1)
        err << "quorvane-cli: 1 candidate lap was cut and not kept:\n";
    else
        err << "quorvane-cli: " << cut.size() << " candidate laps were cut; none was kept:\n";
    for (const CutLap& c : cut) {
        err << "  " << c.file << ", lap from " << FormatDateTime("hh:nn:ss", c.lap.start) << ": "
            << FormatSeconds(static_cast<double>(c.lap.lapSec))
            << StrFormat(", %.3f km, top speed %.2f km/h: ", static_cast<double>(c.lap.distKm),
                         static_cast<double>(c.lap.topSpeed))
            << DropText(c.lap.drop, settings) << "\n";
    }
}

}  // namespace

int RunLaps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::vector<std::string> files;
    bool uncertainty = false;
    bool best = false;
    const auto operand = [&files](const std::string& file) {
        files.push_back(file);
        return true;
    };
    const auto own = [&uncertainty, &best](const std::vector<std::string>& a, size_t& k) {
        if (a[k] != "--uncertainty" && a[k] != "--best")
            return OptionParse::NotMine;
        (a[k] == "--best" ? best : uncertainty) = true;
        return OptionParse::Taken;
    };
    if (const int code = ParseLapCommand(args, options, err, own, operand))
        return code;
    if (files.empty()) {
        err << "quorvane-cli: laps needs at least one FILE\n";
        return 2;
    }
    CliSession laps(options, err);
    if (!laps.Ready())
        return 1;
    bool allOpened = true, anyOpened = false;
    std::vector<CutLap> cut;
    std::vector<int64_t> sizes;
    int64_t totalBytes = 0, readBytes = 0;
    for (const std::string& file : files) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        sizes.push_back(ec ? 0 : static_cast<int64_t>(size));
        totalBytes += sizes.back();
    }
    ProgressLine progress(err, files.size() > 1);
    const auto label = [&files](size_t i) {
        return StrFormat("laps: log %zu of %zu", i, files.size());
    };
    for (size_t i = 0; i < files.size(); ++i) {
        progress.Show(label(i + 1), readBytes, totalBytes);
        const bool opened = laps.OpenLog(files[i]);
        readBytes += sizes[i];
        allOpened &= opened;
        anyOpened |= opened;
        for (const LapCandidate& lap : laps.LastCandidates())
            cut.push_back({std::filesystem::path(files[i]).filename().string(), lap});
    }
    progress.Finish(label(files.size()), readBytes, totalBytes);
    Session& session = laps.session();
    if (session.laps.LapNum() == 0) {
        // Nothing was listed, so nothing named the columns yet.
        RefreshLapList(session);
        if (anyOpened)
            TellCutLaps(cut, session.settings, err);
    }
    const std::string csv = ListCsvText(session.listHeader, session.laps.LapRows);
    const auto bestReport = [&] {
        if (best)
            out << '\n'
                << BestLapReport(SummarizeLapList(session.laps, session.folders, session.gates));
    };
    if (!uncertainty) {
        out << csv;
        bestReport();
        return allOpened ? 0 : 1;
    }
    // One more column after each line: the header's, then each lap's band.
    size_t line = 0, from = 0;
    while (from < csv.size()) {
        size_t end = csv.find('\n', from);
        if (end == std::string::npos)
            end = csv.size();
        size_t text = end;
        if (text > from && csv[text - 1] == '\r')
            --text;
        out << csv.substr(from, text - from) << ','
            << (line == 0 ? std::string("Lap Time +- ms")
                : line <= session.laps.LapList.size()
                    ? UncertaintyMsText(session.laps.LapList[line - 1].lapTimeUncertaintyMs)
                    : std::string())
            << csv.substr(text, end - text) << '\n';
        from = end + 1;
        ++line;
    }
    bestReport();
    return allOpened ? 0 : 1;
}

}  // namespace qv::cli
