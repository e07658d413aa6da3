#include "dynamics/lap_list_summary.h"

#include <algorithm>
#include <span>

#include "core/display_format.h"
#include "geometry/sector_timing.h"
#include "laps/lap_file_io.h"

namespace qv {
namespace {

double SumOfBestSectors(const std::vector<std::vector<TLapElmRec>>& laps, const GateTable& gates) {
    if (gates.SectCount <= 0)
        return 0;
    const size_t sectors = static_cast<size_t>(gates.UsedCount()) + 1;
    std::vector<double> best(sectors, 0);
    bool any = false;
    for (const auto& lap : laps) {
        if (lap.empty())
            continue;
        const ListSectors list = CalcListSectors(lap, gates);
        bool complete = true;
        for (size_t j = 0; j < sectors; ++j)
            complete &= list.ListSectTim[j] > 0;
        if (!complete)
            continue;
        for (size_t j = 0; j < sectors; ++j) {
            const auto t = static_cast<double>(list.ListSectTim[j]);
            if (!any || t < best[j])
                best[j] = t;
        }
        any = true;
    }
    double sum = 0;
    for (const double t : best)
        sum += t;
    return any ? sum : 0;
}

std::string Delta(double seconds) {
    return StrFormat("%+.3f s", seconds);
}

const std::string& NameOf(const LapListSummary& s, int lap) {
    static const std::string kNone;
    return lap >= 0 && static_cast<size_t>(lap) < s.lapNames.size()
               ? s.lapNames[static_cast<size_t>(lap)]
               : kNone;
}

}  // namespace

LapListSummary SummarizeLaps(const std::vector<std::string>& names,
                             const std::vector<double>& lapSeconds,
                             const std::vector<std::vector<TLapElmRec>>& laps,
                             const GateTable& gates, const AchievableOptions& options) {
    LapListSummary s;
    s.lapNames = names;
    s.lapSeconds = lapSeconds;
    std::vector<std::span<const TLapElmRec>> spans(laps.begin(), laps.end());
    s.achievable = FindAchievableLap(spans, options);
    s.sumOfBestSectors = SumOfBestSectors(laps, gates);
    s.consistency = ComputeConsistency(lapSeconds);
    return s;
}

LapListSummary SummarizeLapList(const LapStore& store, const Folders& folders,
                                const GateTable& gates, const AchievableOptions& options) {
    std::vector<std::string> names;
    std::vector<double> seconds;
    std::vector<std::vector<TLapElmRec>> laps;
    const size_t rows = std::min(store.LapRows.size(), store.LapList.size());
    for (size_t r = 0; r < rows && !store.LapRows[r][1].empty(); ++r) {
        names.push_back(store.LapRows[r][1]);
        seconds.push_back(static_cast<double>(store.LapList[r].Sec));
        LapFileRead read = ReadLapFile(TempLapFilePath(folders, store.LapRows[r][1]));
        laps.push_back(read.isLapFile ? std::move(read.samples) : std::vector<TLapElmRec>{});
    }
    return SummarizeLaps(names, seconds, laps, gates, options);
}

std::string AchievableText(const LapListSummary& s) {
    if (s.lapSeconds.empty())
        return {};
    const AchievableLap& a = s.achievable;
    if (!a.found)
        return "Achievable best lap: none found";
    std::string text = "Achievable best lap " + FormatSectTime(a.seconds) + ": " +
                       Delta(a.seconds - a.referenceSeconds) + " to the best lap " +
                       NameOf(s, a.referenceLap) + " (" + FormatSectTime(a.referenceSeconds) + ")";
    if (s.sumOfBestSectors > 0)
        text += ", " + Delta(a.seconds - s.sumOfBestSectors) + " to the sum of best sectors (" +
                FormatSectTime(s.sumOfBestSectors) + ")";
    const size_t pieces = a.pieces.size();
    text += pieces == 1 ? ", in one piece" : StrFormat(", in %zu pieces", pieces);
    return text;
}

std::string ConsistencyText(const LapListSummary& s) {
    const Consistency& c = s.consistency;
    if (c.laps == 0)
        return {};
    std::string text =
        StrFormat("Consistency: %d flying lap%s of %d within %.0f %% of the best", c.flyingLaps,
                  c.flyingLaps == 1 ? "" : "s", c.laps, kFlyingLapRatio * 100);
    text += ", mean " + FormatSectTime(c.meanSeconds) +
            StrFormat(", standard deviation %.3f s", c.stdDevSeconds);
    text +=
        StrFormat(", average of the best %d ", c.bestFiveCount) + FormatSectTime(c.bestFiveSeconds);
    return text;
}

std::string BestLapReport(const LapListSummary& s) {
    if (s.lapSeconds.empty())
        return "No laps.\n";
    std::string out = AchievableText(s) + "\n";
    for (const AchievablePiece& p : s.achievable.pieces) {
        out += StrFormat("  lap %s from %.0f m to %.0f m: ", NameOf(s, p.lap).c_str(), p.fromM,
                         p.toM) +
               StrFormat("%.3f s\n", p.seconds);
    }
    return out + ConsistencyText(s) + "\n";
}

}  // namespace qv
