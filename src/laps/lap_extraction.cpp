#include "laps/lap_extraction.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "geometry/line_sides.h"
#include "geometry/plane.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"
#include "laps/lap_time_uncertainty.h"
#include "laps/log_block_rules.h"

namespace qv {
namespace {

constexpr Float80 kMinTopSpeedKmh = 4;
constexpr Float80 kMinAverageKmh = 2;

Point2 PositionOf(const TLogItem& fix) {
    return Point2{fix.Kdo, fix.Ido};
}

// Where and when the step from `before` to `after` meets a line. `ratio`
// is the share of the step before the crossing (r1).
struct Crossing {
    Point2 at;
    TDateTime time = 0;
    Float80 speed = 0;
    Float80 kmBefore = 0;  // from `before` to the crossing
    Float80 kmAfter = 0;   // from the crossing to `after`
    Float80 secAfter = 0;  // from the crossing to `after`
    CrossingStep step;
};

std::optional<Crossing> CrossingOf(const Line& line, const TLogItem& before,
                                   const TLogItem& after) {
    const Point2 a{line[0].lon, line[0].lat};
    const Point2 b{line[1].lon, line[1].lat};
    Crossing c;
    if (!CrossPoint(a, b, PositionOf(before), PositionOf(after), c.at))
        return std::nullopt;
    const Float80 r1 = CrossingRatio(PositionOf(before), PositionOf(after), c.at);
    const Float80 r2 = 1 - r1;
    const Float80 stepDays = static_cast<Float80>(after.DtTm) - before.DtTm;
    c.time = static_cast<TDateTime>(before.DtTm + stepDays * r1);
    c.speed = before.Spd + (static_cast<Float80>(after.Spd) - before.Spd) * r1;
    const Float80 stepKm = StepDistKm(before.Ido, before.Kdo, after.Ido, after.Kdo, before.Ido);
    c.kmBefore = stepKm * r1;
    c.kmAfter = stepKm * r2;
    c.secAfter = stepDays * kSecondsPerDay * r2;
    c.step.stepSec = static_cast<double>(stepDays * kSecondsPerDay);
    c.step.ratio = static_cast<double>(r1);
    c.step.kmhBefore = before.Spd;
    c.step.kmhAfter = after.Spd;
    return c;
}

// Skips the steps that clearly do not meet a line before CrossPoint runs.
class LineSideFilter {
  public:
    explicit LineSideFilter(const Line& line)
        : sides_(Point2{line[0].lon, line[0].lat}, Point2{line[1].lon, line[1].lat}) {}
    double Side(const TLogItem& fix) const { return sides_.Side(fix.Kdo, fix.Ido); }
    bool MayMeet(double side0, double side1) const { return sides_.MayMeet(side0, side1); }

  private:
    LineSides sides_;
};

TLapElmRec SampleOf(const TLogItem& fix, TDateTime lapStart, Float80 distKm) {
    TLapElmRec s;
    s.DtTm = fix.DtTm;
    s.Tm = fix.DtTm - lapStart;
    s.Sec = static_cast<Float80>(s.Tm) * kSecondsPerDay;
    s.Ido = fix.Ido;
    s.Kdo = fix.Kdo;
    s.Elv = fix.Elv;
    s.Spd = fix.Spd;
    s.Dir = fix.Dir;
    s.Dist = distKm;
    s.UseSat = fix.sat_used;
    return s;
}

// A sample at an interpolated point; elevation, direction and satellites
// come from `fix`.
TLapElmRec PointSample(const TLogItem& fix, TDateTime time, TDateTime lapStart, Point2 at,
                       Float80 speed, Float80 distKm) {
    TLapElmRec s = SampleOf(fix, lapStart, distKm);
    s.DtTm = time;
    s.Tm = time - lapStart;
    s.Sec = static_cast<Float80>(s.Tm) * kSecondsPerDay;
    s.Ido = at.y;
    s.Kdo = at.x;
    s.Spd = speed;
    return s;
}

// The lap being built. Its start is the crossing it began at, or the first
// active fix for the first lap.
struct LapStart {
    int index = 0;  // first fix of the lap
    TDateTime time = 0;
    Point2 at;
    Float80 speed = 0;
    Float80 carriedSec = 0;  // crossing to the first fix
    Float80 carriedKm = 0;
    std::optional<CrossingStep> crossing;  // none for a lap from the first fix
};

class LapWriter {
  public:
    explicit LapWriter(LapSession& session)
        : session_(session), noise_(EstimateTimingNoise(session.log)) {}

    Float80 UncertaintyMs(const LapStart& start, const std::optional<CrossingStep>& end) const {
        return LapTimeUncertaintyMs(start.crossing, end, noise_);
    }

    // Appends the active fixes from `start.index` to `lastIndex` to
    // `samples`, distance accumulated from `start.carriedKm`. Returns the
    // running distance after the last one.
    Float80 AppendFixes(const LapStart& start, int lastIndex, bool anySatCountsForTop,
                        std::vector<TLapElmRec>& samples, Float80& topSpeed) const {
        const LogStore& log = session_.log;
        Float80 dist = start.carriedKm;
        const TLogItem* previous = nullptr;
        for (int j = start.index; j <= lastIndex; ++j) {
            const TLogItem& fix = log.LogItems[j];
            if (!fix.Act)
                continue;
            if (previous != nullptr)
                dist += StepDistKm(previous->Ido, previous->Kdo, fix.Ido, fix.Kdo, fix.Ido);
            samples.push_back(SampleOf(fix, start.time, dist));
            const bool counts = anySatCountsForTop || fix.sat_used >= session_.settings.MinSatNum;
            if (counts && fix.Spd > topSpeed)
                topSpeed = fix.Spd;
            previous = &fix;
        }
        return dist;
    }

    // Writes the lap's temporary file and lists it. False when the file
    // could not be written.
    bool List(const std::vector<TLapElmRec>& samples, int firstFix, TDateTime start, TDateTime end,
              Float80 topSpeed, Float80 uncertaintyMs, ExtractionResult& result) {
        const LogStore& log = session_.log;
        LapStore& laps = session_.laps;
        const WriteResult written = WriteLapFile(TempLapFilePath(session_.folders, laps.LapNum()),
                                                 samples, /*durable=*/false);
        if (!written.ok) {
            result.error = written.error;
            return false;
        }
        NewLapRow row;
        const int block = log.LogItems[firstFix].BlkIdx;
        if (block >= 0 && block < log.LogBlockNum())
            row.dataName = log.LogBlocks[static_cast<size_t>(block)].Title;
        row.start = start;
        row.lapTime = end - start;
        row.topSpeed = topSpeed;
        row.distKm = samples.back().Dist;
        row.fileName = session_.openLogName;
        row.uncertaintyMs = uncertaintyMs;
        AppendLapRow(laps, session_.settings, row);
        ++result.lapsAdded;
        return true;
    }

    // Records the lap as a candidate; true when it passes the plausibility
    // tests.
    bool Plausible(const std::vector<TLapElmRec>& samples, TDateTime start, TDateTime end,
                   Float80 topSpeed, Float80 uncertaintyMs, ExtractionResult& result) const {
        const Settings& settings = session_.settings;
        LapCandidate c = Candidate(samples, start, end, topSpeed, uncertaintyMs);
        const Float80 days = static_cast<Float80>(end) - start;
        if (c.lapSec < settings.MinLapTime)
            c.drop = LapDrop::BelowMinLapTime;
        else if (c.distKm < settings.MinLapDist)
            c.drop = LapDrop::BelowMinLapDist;
        else if (topSpeed < kMinTopSpeedKmh)
            c.drop = LapDrop::TopSpeedBelow4;
        else if (days > 0 && c.distKm / (days * 24) < kMinAverageKmh)
            c.drop = LapDrop::AverageBelow2;
        result.candidates.push_back(c);
        return c.drop == LapDrop::None;
    }

    static LapCandidate Candidate(const std::vector<TLapElmRec>& samples, TDateTime start,
                                  TDateTime end, Float80 topSpeed, Float80 uncertaintyMs) {
        LapCandidate c;
        c.uncertaintyMs = uncertaintyMs;
        c.start = start;
        c.lapSec = (static_cast<Float80>(end) - start) * kSecondsPerDay;
        c.distKm = samples.back().Dist;
        c.topSpeed = topSpeed;
        return c;
    }

  private:
    LapSession& session_;
    TimingNoise noise_;
};

struct FixRange {
    int first = 0;
    int last = 0;
};

// Bounds of the work: the active range, or the store's last fix alone.
FixRange WorkRange(const LogStore& log) {
    if (const std::optional<ActiveRange> active = FindActiveRange(log))
        return FixRange{active->first, active->last};
    return FixRange{log.LogItemNum - 1, log.LogItemNum - 1};
}

LapStart FirstLapStart(const TLogItem& fix, int index) {
    LapStart start;
    start.index = index;
    start.time = fix.DtTm;
    start.at = PositionOf(fix);
    start.speed = fix.Spd;
    return start;
}

LapStart StartAtCrossing(const Crossing& c, int index) {
    LapStart start;
    start.index = index;
    start.time = c.time;
    start.at = c.at;
    start.speed = c.speed;
    start.carriedSec = c.secAfter;
    start.carriedKm = c.kmAfter;
    start.crossing = c.step;
    return start;
}

}  // namespace

ExtractionResult ExtractCircuitLaps(LapSession& session) {
    ExtractionResult result;
    const LogStore& log = session.log;
    if (log.LogItemNum < 1)
        return result;
    const FixRange range = WorkRange(log);
    const Line& line = session.lines.first;
    LapWriter writer(session);
    std::vector<TLapElmRec> samples;

    LapStart start = FirstLapStart(log.LogItems[range.first], range.first);
    Float80 topSpeed = 0;
    int previous = range.first;

    // The optional sample at the interpolated lap start: only laps that
    // began at a crossing between two fixes have one.
    auto beginSamples = [&](const LapStart& s) {
        samples.clear();
        if (s.carriedSec > 0) {
            const TLogItem& first = log.LogItems[s.index];
            samples.push_back(PointSample(first, s.time, s.time, s.at, s.speed, 0));
            topSpeed = std::max(topSpeed, s.speed);
        }
    };

    const LineSideFilter filter(line);
    double previousSide = filter.Side(log.LogItems[previous]);
    for (int i = range.first + 1; i <= range.last; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act)
            continue;
        const TLogItem& before = log.LogItems[previous];
        const double side = filter.Side(fix);
        const bool mayMeet = filter.MayMeet(previousSide, side);
        previous = i;
        previousSide = side;
        if (!mayMeet)
            continue;
        const std::optional<Crossing> crossing = CrossingOf(line, before, fix);
        if (!crossing)
            continue;

        beginSamples(start);
        const Float80 dist = writer.AppendFixes(start, i - 1, false, samples, topSpeed);
        samples.push_back(PointSample(before, crossing->time, start.time, crossing->at,
                                      crossing->speed, dist + crossing->kmBefore));
        topSpeed = std::max(topSpeed, crossing->speed);
        const Float80 uncertainty = writer.UncertaintyMs(start, crossing->step);
        if (writer.Plausible(samples, start.time, crossing->time, topSpeed, uncertainty, result) &&
            !writer.List(samples, start.index, start.time, crossing->time, topSpeed, uncertainty,
                         result))
            return result;
        start = StartAtCrossing(*crossing, i);
        topSpeed = 0;
    }

    if (start.index < range.last) {
        beginSamples(start);
        writer.AppendFixes(start, range.last, true, samples, topSpeed);
        const TDateTime end = log.LogItems[range.last].DtTm;
        const Float80 uncertainty = writer.UncertaintyMs(start, std::nullopt);
        if (writer.Plausible(samples, start.time, end, topSpeed, uncertainty, result))
            writer.List(samples, start.index, start.time, end, topSpeed, uncertainty, result);
    }
    return result;
}

ExtractionResult ExtractStartFinishRuns(LapSession& session) {
    ExtractionResult result;
    const LogStore& log = session.log;
    if (log.LogItemNum < 1)
        return result;
    const FixRange range = WorkRange(log);
    LapWriter writer(session);
    std::vector<TLapElmRec> samples;

    bool started = false;
    LapStart start = FirstLapStart(log.LogItems[range.first], range.first);
    Float80 topSpeed = 0;
    int previous = range.first;

    const LineSideFilter startFilter(session.lines.first);
    const LineSideFilter finishFilter(session.lines.finish);
    double previousStartSide = startFilter.Side(log.LogItems[previous]);
    double previousFinishSide = finishFilter.Side(log.LogItems[previous]);
    for (int i = range.first + 1; i <= range.last; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act)
            continue;
        const TLogItem& before = log.LogItems[previous];
        const double startSide = startFilter.Side(fix);
        const double finishSide = finishFilter.Side(fix);
        const bool mayStart = startFilter.MayMeet(previousStartSide, startSide);
        const bool mayFinish = finishFilter.MayMeet(previousFinishSide, finishSide);
        previous = i;
        previousStartSide = startSide;
        previousFinishSide = finishSide;
        const std::optional<Crossing> atStart =
            mayStart ? CrossingOf(session.lines.first, before, fix) : std::nullopt;
        if (atStart) {
            start = StartAtCrossing(*atStart, i);
            if (session.lines.Rally) {
                start.crossing.reset();  // the whole minute is exact by definition
                DateTimeParts parts = DecodeDateTime(fix.DtTm);
                parts.second = 0;
                parts.ms = 0;
                start.time = EncodeDateTime(parts);
            }
            topSpeed = start.speed;
            started = true;
            continue;
        }
        if (!started || !mayFinish)
            continue;
        const std::optional<Crossing> atFinish = CrossingOf(session.lines.finish, before, fix);
        if (!atFinish)
            continue;
        samples.clear();
        const TLogItem& first = log.LogItems[start.index];
        samples.push_back(PointSample(first, start.time, start.time, start.at, start.speed, 0));
        const Float80 dist = writer.AppendFixes(start, i - 1, false, samples, topSpeed);
        samples.push_back(PointSample(before, atFinish->time, start.time, atFinish->at,
                                      atFinish->speed, dist + atFinish->kmBefore));
        topSpeed = std::max(topSpeed, atFinish->speed);
        const Float80 uncertainty = writer.UncertaintyMs(start, atFinish->step);
        result.candidates.push_back(
            LapWriter::Candidate(samples, start.time, atFinish->time, topSpeed, uncertainty));
        if (!writer.List(samples, start.index, start.time, atFinish->time, topSpeed, uncertainty,
                         result))
            return result;
        started = false;
    }
    return result;
}

ExtractionMode ChooseExtractionMode(const LineState& lines) {
    if (lines.controlLineSet)
        return ExtractionMode::Circuit;
    if (lines.startLineSet && lines.finishLineSet)
        return ExtractionMode::StartFinish;
    if (!lines.startLineSet && !lines.finishLineSet)
        return ExtractionMode::WholeTrack;
    return ExtractionMode::None;
}

ExtractionResult ExtractLaps(LapSession& session) {
    switch (ChooseExtractionMode(session.lines)) {
        case ExtractionMode::Circuit:
            return ExtractCircuitLaps(session);
        case ExtractionMode::StartFinish:
            return ExtractStartFinishRuns(session);
        case ExtractionMode::WholeTrack:
            session.lines.first = Line{LinePoint{0, 0}, LinePoint{kTinyLineEnd, kTinyLineEnd}};
            return ExtractCircuitLaps(session);
        case ExtractionMode::None:
            break;
    }
    return {};
}

}  // namespace qv
