#include "laps/run_file_laps.h"

#include <algorithm>
#include <vector>

#include "geometry/plane.h"

namespace qv {
namespace {

constexpr double kRunSampleDir = 180;  // no heading logged
constexpr int kRunSampleSats = 8;

}  // namespace

LapFileAddResult LoadRunFileToLapList(LapSession& session, const std::filesystem::path& path,
                                      RunFileVariant variant) {
    LapFileAddResult result;
    const RunFileVariantInfo& info = RunFileVariantInfoOf(variant);
    std::vector<TLapElmRec> samples;
    std::vector<YawSample> yaw;
    Float80 topSpeed = 0;
    auto addRecord = [&](const RunRecord& record) {
        const double kmh = RunRecordSpeedKmh(record);
        if (record.year < kRunMinYear || kmh > kRunMaxSpeedKmh)
            return true;
        const std::optional<TDateTime> when =
            RunRecordLocalTime(record, variant, session.LocalTimeBase);
        if (!when || samples.size() >= static_cast<size_t>(MaxLogItemNum))
            return true;
        TLapElmRec& s = samples.emplace_back();
        s.DtTm = *when;
        s.Tm = *when - samples.front().DtTm;
        s.Sec = static_cast<Float80>(s.Tm) * kSecondsPerDay;
        const double lat = record.lat / 1e7, lon = record.lon / 1e7;
        s.Ido = lat;
        s.Kdo = lon;
        s.Elv = record.elv / 10.0L;
        s.Spd = kmh;
        s.Dir = kRunSampleDir;
        Float80 dist = 0;
        if (samples.size() > 1) {
            const TLapElmRec& prev = samples[samples.size() - 2];
            dist = Float80(prev.Dist) + StepDistKm(prev.Ido, prev.Kdo, lat, lon, lat);
        }
        s.Dist = dist;
        s.UseSat = kRunSampleSats;
        topSpeed = std::max(topSpeed, static_cast<Float80>(kmh));
        if (info.motion) {
            const TMotionSens motion = RunRecordMotion(record);
            yaw.push_back(YawSample{*when, lat, lon, kmh, motion.gX, motion.Yaw});
        }
        return true;
    };
    // A missing file, a wrong size or a failed check value add nothing
    // silently; a read that fails adds nothing and says why.
    const RunFileScan scan = ReadRunFileRecords(path, variant, addRecord);
    if (!scan.ioError.empty()) {
        if (!scan.missing)
            result.error = scan.ioError;
        return result;
    }

    if (info.motion && !samples.empty()) {
        std::vector<double> dir(samples.size(), kRunSampleDir);
        DirectionFromYaw(yaw, dir);
        for (size_t k = 0; k < samples.size(); ++k)
            samples[k].Dir = dir[k];
    }
    return AddSamplesToLapList(session, path, samples, topSpeed, true);
}

}  // namespace qv
