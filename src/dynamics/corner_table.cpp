#include "dynamics/corner_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/display_format.h"
#include "geometry/sector_gates.h"

namespace qv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kGravity = 9.80665;

double D(const Ext80& v) {
    return static_cast<double>(Float80(v));
}

// One lap with its samples' distances on the reference lap's scale.
struct MappedLap {
    const TLapDtRec* lap = nullptr;
    std::vector<double> m;          // metres on the reference scale, never decreasing
    std::vector<double> decel;      // g, positive when slowing down
    std::vector<double> sustained;  // the same over about 0.4 s

    size_t size() const { return m.size(); }
    double Sec(size_t i) const { return D(lap->Elm[i].Sec); }
    double Kmh(size_t i) const { return D(lap->Elm[i].Spd); }
    // First sample at or beyond x, clamped to the last.
    size_t At(double x) const {
        const size_t i = std::lower_bound(m.begin(), m.end(), x) - m.begin();
        return std::min(i, m.size() - 1);
    }
    template <typename Value>
    double Interp(double x, Value value) const {
        const size_t i = At(x);
        if (i == 0 || m[i] <= x || m[i] == m[i - 1])
            return value(i);
        const double u = (x - m[i - 1]) / (m[i] - m[i - 1]);
        return value(i - 1) + u * (value(i) - value(i - 1));
    }
    double TimeAt(double x) const {
        return Interp(x, [&](size_t i) { return Sec(i); });
    }
    double KmhAt(double x) const {
        return Interp(x, [&](size_t i) { return Kmh(i); });
    }
};

// Speed differences between the samples `span` places either side (fewer at
// the ends), in g, positive when slowing down. One place either side puts a
// braking onset between two samples on a ramp whose threshold crossing lies
// at nearly the same place whatever the phase of the samples.
std::vector<double> Decelerations(const TLapDtRec& lap, size_t span) {
    const size_t n = lap.Elm.size();
    std::vector<double> g(n, 0.0);
    for (size_t i = 1; i + 1 < n; ++i) {
        const size_t lo = i - std::min(i, span), hi = std::min(n - 1, i + span);
        const double dt = D(lap.Elm[hi].Sec) - D(lap.Elm[lo].Sec);
        if (dt > 0)
            g[i] = -(D(lap.Elm[hi].Spd) - D(lap.Elm[lo].Spd)) / 3.6 / dt / kGravity;
    }
    return g;
}

// Places either side that span at least 0.4 s at the lap's median step: a
// logger's speed noise of some tenths of a km/h, which over one 20-Hz step
// reads as a fifth of a G, stays far below the braking threshold over it.
size_t SustainedSpan(const TLapDtRec& lap) {
    const size_t n = lap.Elm.size();
    if (n < 2)
        return 1;
    const double stepS = (D(lap.Elm[n - 1].Sec) - D(lap.Elm[0].Sec)) / static_cast<double>(n - 1);
    if (!(stepS > 0))
        return 1;
    return std::clamp<size_t>(static_cast<size_t>(std::ceil(0.2 / stepS - 1e-9)), 1, 25);
}

MappedLap Map(const TLapDtRec& lap, const std::vector<Float80>& km) {
    MappedLap out;
    out.lap = &lap;
    out.m.resize(km.size());
    double last = 0;
    for (size_t i = 0; i < km.size(); ++i) {
        const double v = static_cast<double>(km[i]) * 1000;
        last = std::isfinite(v) ? std::max(last, v) : last;
        out.m[i] = last;
    }
    out.decel = Decelerations(lap, 1);
    out.sustained = Decelerations(lap, SustainedSpan(lap));
    return out;
}

// Walking back from the apex: past the slow part just before it, through
// the braking, to where the deceleration first rose above the threshold.
double BrakePoint(const MappedLap& L, size_t apex, double fromM, double thresholdG) {
    // Only a deceleration held over the longer span is braking: a single
    // noisy step in the slow part before the apex is not.
    size_t j = apex;
    while (j > 0 && L.m[j] >= fromM && !(L.sustained[j] > thresholdG))
        --j;
    if (!(L.sustained[j] > thresholdG) || L.m[j] < fromM)
        return kNaN;
    while (j > 0 && !(L.decel[j] > thresholdG) && L.sustained[j] > thresholdG)
        --j;
    if (!(L.decel[j] > thresholdG))
        return kNaN;
    while (j > 0 && L.decel[j - 1] > thresholdG)
        --j;
    if (j == 0)
        return L.m[0];
    const double below = L.decel[j - 1], above = L.decel[j];
    const double u = (thresholdG - below) / (above - below);
    return L.m[j - 1] + u * (L.m[j] - L.m[j - 1]);
}

struct CornerMeasures {
    double brakeM = kNaN;
    double minKmh = 0, minAtM = 0;
    double exitKmh = 0;
    double cornerS = 0;
};

CornerMeasures Measure(const MappedLap& L, const Corner& c, double fromM,
                       const CornerTableOptions& o) {
    CornerMeasures out;
    const SlowestPoint apex = SlowestBetween(*L.lap, L.m, c.entryM, c.exitM, o.corners.plateauKmh);
    out.minKmh = apex.kmh;
    out.minAtM = apex.m;
    out.brakeM = BrakePoint(L, apex.index, fromM, o.brakeG);
    out.exitKmh = L.KmhAt(c.apexM + o.exitAfterApexM);
    out.cornerS = L.TimeAt(c.exitM) - L.TimeAt(c.entryM);
    return out;
}

// The time behind at reference distance x (m), between the reference's samples.
double BehindAt(const MappedLap& ref, const std::vector<Float80>& behind, double x) {
    return ref.Interp(x, [&](size_t i) { return static_cast<double>(behind[i]); });
}

}  // namespace

CornerTable BuildCornerTable(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                             int sectCount, const CornerTableOptions& options) {
    CornerTable table;
    const size_t laps = std::min<size_t>(slots.size(), kLapSlots);
    if (laps < 2 || slots[0].Elm.size() < 3)
        return table;
    const TLapDtRec& a = slots[0];
    table.corners = FindCorners(a, options.corners);
    const int gates = UsedGateCount(sectCount);
    std::vector<Float80> ownKm(a.Elm.size());
    for (size_t i = 0; i < a.Elm.size(); ++i)
        ownKm[i] = a.Elm[i].Dist;
    const MappedLap ref = Map(a, ownKm);
    const double lapEndM = ref.m.back();

    const size_t nc = table.corners.size();
    // Each corner's stretch runs from halfway after the previous corner's
    // exit to halfway before the next one's entry; the first from the lap
    // start, the last to the lap end, so the stretches tile the lap.
    std::vector<double> bounds(nc + 1);
    bounds[0] = 0;
    for (size_t c = 1; c < nc; ++c)
        bounds[c] = (table.corners[c - 1].exitM + table.corners[c].entryM) / 2;
    bounds[nc] = lapEndM;
    std::vector<CornerMeasures> refMeasures(nc);
    for (size_t c = 0; c < nc; ++c)
        refMeasures[c] = Measure(ref, table.corners[c], bounds[c], options);

    for (size_t k = 1; k < laps; ++k) {
        const TLapDtRec& b = slots[k];
        if (b.Elm.empty())
            continue;
        const std::vector<Float80> mapped =
            MappedDistances(a, b, results[0], results[k], gates, options.mode);
        const std::vector<Float80> behind = TimeBehind(a, b, mapped);
        if (behind.empty())
            continue;
        const MappedLap lap = Map(b, mapped);
        const double lapDiff = D(b.Elm.back().Sec) - D(a.Elm.back().Sec);
        // Cumulative time behind at each bound, in whole milliseconds, so
        // that the rows' milliseconds add up to the lap difference's.
        std::vector<double> cum(nc + 1);
        for (size_t c = 0; c <= nc; ++c)
            cum[c] = c == 0 ? 0.0 : c == nc ? lapDiff : BehindAt(ref, behind, bounds[c]);
        CornerRow total;
        total.slot = static_cast<int>(k);
        total.fromM = 0;
        total.toM = lapEndM;
        total.brakeM = total.refBrakeM = total.brakeLaterM = kNaN;
        total.minKmh = total.refMinKmh = total.minAtM = total.refMinAtM = kNaN;
        total.exitKmh = total.refExitKmh = kNaN;
        for (size_t c = 0; c < nc; ++c) {
            const Corner& corner = table.corners[c];
            const CornerMeasures& r = refMeasures[c];
            const CornerMeasures m = Measure(lap, corner, bounds[c], options);
            CornerRow row;
            row.corner = corner.number;
            row.direction = corner.direction;
            row.slot = static_cast<int>(k);
            row.fromM = bounds[c];
            row.toM = bounds[c + 1];
            row.timeLostS = cum[c + 1] - cum[c];
            row.timeLostMs = std::llround(cum[c + 1] * 1000) - std::llround(cum[c] * 1000);
            row.brakeM = m.brakeM;
            row.refBrakeM = r.brakeM;
            row.brakeLaterM = m.brakeM - r.brakeM;
            row.minKmh = m.minKmh;
            row.refMinKmh = r.minKmh;
            row.minAtM = m.minAtM;
            row.refMinAtM = r.minAtM;
            row.exitKmh = m.exitKmh;
            row.refExitKmh = r.exitKmh;
            row.cornerS = m.cornerS;
            row.refCornerS = r.cornerS;
            total.cornerS += m.cornerS;
            total.refCornerS += r.cornerS;
            table.rows.push_back(row);
        }
        total.timeLostS = lapDiff;
        total.timeLostMs = std::llround(lapDiff * 1000);
        table.totals.push_back(total);
    }
    return table;
}

void SortByTimeLost(CornerTable& table) {
    std::stable_sort(
        table.rows.begin(), table.rows.end(),
        [](const CornerRow& x, const CornerRow& y) { return x.timeLostMs > y.timeLostMs; });
}

namespace {

constexpr double kMetresPerFoot = 0.3048;

std::string Num(double v, const char* format) {
    return std::isfinite(v) ? StrFormat(format, v) : std::string();
}

// Metres and km/h as the table's units show them.
struct Shown {
    CornerUnits units;
    double M(double m) const { return units.distInM ? m : m / kMetresPerFoot; }
    double Kmh(double kmh) const { return units.speedInKmh ? kmh : kmh / kKmhPerMph; }
};

std::string Cells(const CornerRow& r, char sep, const Shown& shown) {
    const char* slots = "ABCD";
    std::string line = r.corner > 0 ? StrFormat("T%d", r.corner) : std::string("Total");
    auto add = [&](const std::string& cell) {
        line += sep;
        line += cell;
    };
    add(r.corner > 0 ? (r.direction == TurnDirection::kLeft ? "L" : "R") : "");
    add(std::string(1, slots[std::clamp(r.slot, 0, 3)]));
    add(StrFormat("%.3f", static_cast<double>(r.timeLostMs) / 1000));
    add(Num(shown.M(r.brakeM), "%.1f"));
    add(Num(shown.M(r.brakeLaterM), "%.1f"));
    add(Num(shown.Kmh(r.minKmh), "%.1f"));
    add(Num(shown.Kmh(r.refMinKmh), "%.1f"));
    add(Num(shown.M(r.minAtM), "%.1f"));
    add(Num(shown.Kmh(r.exitKmh), "%.1f"));
    add(Num(shown.Kmh(r.refExitKmh), "%.1f"));
    add(Num(r.cornerS, "%.3f"));
    add(Num(r.refCornerS, "%.3f"));
    return line;
}

std::vector<std::string> Header(CornerUnits units) {
    const std::string m = units.distInM ? "(m)" : "(feet)";
    const std::string kmh = units.speedInKmh ? "(km/h)" : "(MPH)";
    return {"Corner",         "Dir",           "Slot",
            "Time lost (s)",  "Brake " + m,    "Brakes later " + m,
            "Min " + kmh,     "A min " + kmh,  "Min at " + m,
            "Exit " + kmh,    "A exit " + kmh, "In corner (s)",
            "A in corner (s)"};
}

std::string Text(const CornerTable& table, char sep, const char* eol, CornerUnits units) {
    std::string out;
    const std::vector<std::string> header = Header(units);
    for (size_t i = 0; i < header.size(); ++i) {
        if (i > 0)
            out += sep;
        out += header[i];
    }
    out += eol;
    const Shown shown{units};
    for (const CornerRow& r : table.rows)
        out += Cells(r, sep, shown) + eol;
    for (const CornerRow& r : table.totals)
        out += Cells(r, sep, shown) + eol;
    return out;
}

}  // namespace

CornerUnits CornerUnitsOf(const Settings& settings) {
    return {settings.SpeedInKmh, settings.DistInKm};
}

std::string CornerTableTabText(const CornerTable& table, CornerUnits units) {
    return Text(table, '\t', "\r\n", units);
}

std::string CornerTableCsv(const CornerTable& table) {
    return Text(table, ',', "\n", CornerUnits{});
}

}  // namespace qv
