#include "synth/run_file_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "core/date_time.h"

namespace qv::synth {
namespace {

constexpr double kStandardGravity = 9.80665;

double Wrap360(double deg) {
    deg = std::fmod(deg, 360.0);
    return deg < 0 ? deg + 360 : deg;
}

// The change from bearing a to bearing b, within (-180, 180].
double TurnBetween(double a, double b) {
    double d = Wrap360(b - a);
    return d > 180 ? d - 360 : d;
}

template <typename Int>
Int RoundClamped(double v) {
    const double lo = static_cast<double>(std::numeric_limits<Int>::min());
    const double hi = static_cast<double>(std::numeric_limits<Int>::max());
    return static_cast<Int>(std::clamp(std::round(v), lo, hi));
}

// Central difference of per-fix values over time; one-sided at the ends.
template <typename Diff>
double RateAt(const std::vector<SynthFix>& fixes, size_t i, const Diff& diff) {
    const size_t a = i > 0 ? i - 1 : i;
    const size_t b = i + 1 < fixes.size() ? i + 1 : i;
    const double seconds = static_cast<double>(fixes[b].utcMs - fixes[a].utcMs) / 1000;
    if (a == b || !(seconds > 0))
        return 0;
    return diff(fixes[a], fixes[b]) / seconds;
}

double TurnRateDegPerS(const std::vector<SynthFix>& fixes, size_t i) {
    return RateAt(fixes, i, [](const SynthFix& a, const SynthFix& b) {
        return TurnBetween(a.compassDeg, b.compassDeg);
    });
}

double AccelMs2(const std::vector<SynthFix>& fixes, size_t i) {
    return RateAt(fixes, i,
                  [](const SynthFix& a, const SynthFix& b) { return (b.spd - a.spd) / 3.6; });
}

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

void ApplyFault(RunRecord& r, RunFault fault) {
    switch (fault) {
        case RunFault::None:
            break;
        case RunFault::YearBefore1970:
            r.year = 1969;
            break;
        case RunFault::SpeedAbove2000:
            r.speedCms = 55556;
            break;
        case RunFault::Fraction99:
            r.fraction = 99;
            break;
        case RunFault::MonthThirteen:
            r.month = 13;
            break;
        case RunFault::LatitudeOut:
            r.lat = 950000000;
            break;
    }
}

}  // namespace

double YawDegreesToRad(double yawDeg) {
    // Yaw = 180 - r in degrees, folded into 0..360.
    double deg = Wrap360(180 - yawDeg);
    if (deg > 180)
        deg -= 360;
    return deg * std::numbers::pi / 180;
}

double PointingDir(const SynthFix& fix, double driftDeg) {
    return Wrap360(fix.compassDeg + 180.0 + driftDeg);
}

std::vector<double> DriftInCorners(const std::vector<SynthFix>& fixes, double angleDeg,
                                   double minTurnDegPerS) {
    std::vector<double> drift(fixes.size(), 0.0);
    for (size_t i = 0; i < fixes.size(); ++i) {
        const double rate = TurnRateDegPerS(fixes, i);
        if (std::fabs(rate) > minTurnDegPerS)
            drift[i] = rate > 0 ? angleDeg : -angleDeg;
    }
    return drift;
}

RunRecord RunRecordOfFix(const SynthFix& fix, RunFileVariant variant) {
    const RunFileVariantInfo& info = RunFileVariantInfoOf(variant);
    const int64_t seconds =
        fix.utcMs >= 0 ? fix.utcMs / 1000 : -((-fix.utcMs + 999) / 1000);  // floor
    const int ms = static_cast<int>(fix.utcMs - seconds * 1000);
    const DateTimeParts parts =
        DecodeDateTime(kUnixEpochDays + static_cast<double>(seconds) / kSecondsPerDay);

    RunRecord r;
    r.speedCms = RoundClamped<uint16_t>(fix.spd / 3.6 * 100);
    r.lat = RoundClamped<int32_t>(fix.lat * 1e7);
    r.lon = RoundClamped<int32_t>(fix.lon * 1e7);
    r.elv = RoundClamped<int32_t>(fix.elv * 10.0);
    r.year = static_cast<uint16_t>(std::clamp(parts.year, 0, 65535));
    r.month = static_cast<uint8_t>(parts.month);
    r.day = static_cast<uint8_t>(parts.day);
    r.hour = static_cast<uint8_t>(parts.hour);
    r.minute = static_cast<uint8_t>(parts.minute);
    r.second = static_cast<uint8_t>(parts.second);
    r.fraction = static_cast<uint8_t>(ms / info.msPerFractionStep);
    return r;
}

std::vector<RunRecord> RunRecordsOfDrive(const std::vector<SynthFix>& fixes, RunFileVariant variant,
                                         const RunFileEncodeOptions& options) {
    const bool motion = RunFileVariantInfoOf(variant).motion;
    std::vector<RunRecord> records;
    records.reserve(fixes.size());
    for (size_t i = 0; i < fixes.size(); ++i) {
        RunRecord r = RunRecordOfFix(fixes[i], variant);
        r.unused0 = static_cast<uint16_t>(i);  // a running record number
        if (motion) {
            const double turn = TurnRateDegPerS(fixes, i);
            const double v = fixes[i].spd / 3.6;
            const double drift = i < options.driftDeg.size() ? options.driftDeg[i] : 0.0;
            r.motion = {};
            r.motion[2] = turn;                                                  // yawZ
            r.motion[3] = v;                                                     // vX
            r.motion[6] = v * turn * std::numbers::pi / 180 / kStandardGravity;  // gX
            r.motion[7] = AccelMs2(fixes, i) / kStandardGravity;                 // gY
            r.motion[8] = 1.0;                                                   // gZ
            r.motion[11] = YawDegreesToRad(PointingDir(fixes[i], drift) - options.yawZeroDeg);
        }
        if (i < options.faults.size())
            ApplyFault(r, options.faults[i]);
        records.push_back(r);
    }
    return records;
}

std::vector<uint8_t> EncodeRunRecord(const RunRecord& r, RunFileVariant variant) {
    std::vector<uint8_t> out;
    out.reserve(RunFileVariantInfoOf(variant).recordSize);
    Put(out, r.unused0);
    Put(out, r.speedCms);
    Put(out, r.lat);
    Put(out, r.lon);
    Put(out, r.elv);
    Put(out, r.unused16);
    Put(out, r.year);
    for (uint8_t b : {r.month, r.day, r.hour, r.minute, r.second, r.fraction})
        out.push_back(b);
    if (RunFileVariantInfoOf(variant).motion) {
        for (double v : r.motion)
            Put(out, v);
    }
    return out;
}

std::vector<uint8_t> AssembleRunFile(const std::vector<RunRecord>& records, RunFileVariant variant,
                                     double checkValueError) {
    std::vector<uint8_t> out;
    const double check = records.empty()
                             ? 0.0
                             : ComputeRunFileCheckValue(variant, records[0].lat, records[0].lon,
                                                        records[0].speedCms) +
                                   checkValueError;
    Put(out, check);
    for (const RunRecord& r : records) {
        const std::vector<uint8_t> bytes = EncodeRunRecord(r, variant);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<uint8_t> EncodeRunFile(const std::vector<SynthFix>& fixes, RunFileVariant variant,
                                   const RunFileEncodeOptions& options) {
    return AssembleRunFile(RunRecordsOfDrive(fixes, variant, options), variant,
                           options.checkValueError);
}

}  // namespace qv::synth
