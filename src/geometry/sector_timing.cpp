#include "geometry/sector_timing.h"

#include <algorithm>
#include <cstdint>

#include "core/date_time.h"
#include "geometry/gate_passages.h"

namespace qv {
namespace {

std::span<const TLapElmRec> SamplesOf(const TLapDtRec& lap) {
    const size_t n = std::min(lap.Elm.size(), static_cast<size_t>(std::max(lap.ElmNum, 0)));
    return std::span<const TLapElmRec>(lap.Elm.data(), n);
}

Float80 AverageSpeed(Float80 km, Float80 seconds) {
    return seconds > 0 ? km / seconds * 3600 : 0;
}

// The top and bottom speed of one sector.
struct SpeedSpan {
    Float80 top = 0;
    Float80 bottom = 0;

    explicit SpeedSpan(Float80 start) : top(start), bottom(start) {}
    void Include(Float80 v) {
        if (v > top)
            top = v;
        if (v < bottom)
            bottom = v;
    }
    void Include(std::span<const TLapElmRec> samples, size_t from, size_t to) {
        for (size_t i = from; i < to && i < samples.size(); ++i)
            Include(samples[i].Spd);
    }
};

}  // namespace

void CalcSectors(const TLapDtRec& lap, const GateTable& gates, SectRes& res) {
    const int count = gates.UsedCount();
    if (count == 0)
        return;
    res.ClearTiming();
    res.ClearDrift();
    const std::span<const TLapElmRec> samples = SamplesOf(lap);
    if (samples.empty())
        return;

    Float80 lastTim = 0;
    Float80 lastDist = 0;
    Float80 gateSpd = samples[0].Spd;
    size_t first = 1;
    for (const GatePassage& p : FindGatePassages(samples, gates)) {
        const auto g = static_cast<size_t>(p.gate);
        res.SectPassTim[g] = p.sec;
        res.SectTim[g] = p.sec - lastTim;
        lastTim = p.sec;
        res.SectPassDist[g] = p.dist;
        res.SectLen[g] = p.dist - lastDist;
        lastDist = p.dist;
        res.SectAveSpd[g] = AverageSpeed(res.SectLen[g], res.SectTim[g]);
        res.SectPassSpd[g] = p.spd;

        SpeedSpan span(gateSpd);
        span.Include(p.spd);
        span.Include(samples, first, static_cast<size_t>(p.step));
        res.SectMaxSpd[g] = span.top;
        res.SectMinSpd[g] = span.bottom;
        gateSpd = p.spd;
        first = static_cast<size_t>(p.step);

        if (p.gate + 1 == count) {
            const TLapElmRec& last = samples.back();
            const auto j = static_cast<size_t>(count);
            res.SectTim[j] = Float80(last.Sec) - lastTim;
            res.SectLen[j] = Float80(last.Dist) - lastDist;
            res.SectAveSpd[j] = AverageSpeed(res.SectLen[j], res.SectTim[j]);
            SpeedSpan lastSpan(gateSpd);
            lastSpan.Include(samples, first, samples.size());
            res.SectMaxSpd[j] = lastSpan.top;
            res.SectMinSpd[j] = lastSpan.bottom;
        }
    }
}

void CalcSectors(const std::vector<TLapDtRec>& slots, const GateTable& gates,
                 std::array<SectRes, LapStore::kMaxLapSlots>& results) {
    const size_t n = std::min(slots.size(), results.size());
    for (size_t k = 0; k < n; ++k)
        CalcSectors(slots[k], gates, results[k]);
}

ListSectors CalcListSectors(std::span<const TLapElmRec> samples, const GateTable& gates) {
    ListSectors list;
    const int count = gates.UsedCount();
    Float80 lastTim = 0;
    for (const GatePassage& p : FindGatePassages(samples, gates)) {
        const auto g = static_cast<size_t>(p.gate);
        list.ListPassTim[g] = p.sec;
        list.ListSectTim[g] = p.sec - lastTim;
        lastTim = p.sec;
        if (p.gate + 1 == count)
            list.ListSectTim[static_cast<size_t>(count)] = Float80(samples.back().Sec) - lastTim;
    }
    return list;
}

std::string FormatSectTime(Float80 seconds) {
    if (seconds == 0)
        return {};
    const TTime days = static_cast<double>(seconds / kSecondsPerDay);
    const int64_t ms = RoundToMs(days);
    const int64_t magnitude = ms < 0 ? -ms : ms;
    const char* pattern = magnitude >= 3600000 ? "h:nn:ss.zzz"
                          : magnitude >= 60000 ? "n:ss.zzz"
                                               : "ss.zzz";
    return FormatDateTime(pattern, days, TimeKind::kDuration);
}

}  // namespace qv
