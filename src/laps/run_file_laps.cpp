#include "laps/run_file_laps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "geometry/plane.h"

namespace qv {
namespace {

constexpr double kRunSampleDir = 180;  // no heading logged
constexpr int kRunSampleSats = 8;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

LapFileAddResult LoadRunFileToLapList(LapSession& session, const std::filesystem::path& path,
                                      RunFileVariant variant) {
    LapFileAddResult result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return result;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || !IsRunFileSize(size, variant))
        return result;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.error = std::strerror(errno);
        return result;
    }
    const RunFileVariantInfo& info = RunFileVariantInfoOf(variant);
    const size_t records = RunFileRecordCount(size, variant);

    // The header and the first record decide whether the file is genuine.
    std::vector<uint8_t> head(kRunFileHeaderSize + info.recordSize);
    if (records == 0 || std::fread(head.data(), 1, head.size(), file.get()) != head.size()) {
        if (std::ferror(file.get()))
            result.error = std::strerror(errno);
        return result;
    }
    if (!RunFileCheckPasses(head, variant))
        return result;

    std::vector<TLapElmRec> samples;
    std::vector<YawSample> yaw;
    Float80 topSpeed = 0;
    auto addRecord = [&](const RunRecord& record) {
        const double kmh = RunRecordSpeedKmh(record);
        if (record.year < kRunMinYear || kmh > kRunMaxSpeedKmh)
            return;
        const std::optional<TDateTime> when =
            RunRecordLocalTime(record, variant, session.LocalTimeBase);
        if (!when || samples.size() >= static_cast<size_t>(MaxLogItemNum))
            return;
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
    };
    if (const std::optional<RunRecord> first =
            ParseRunRecord(std::span(head).subspan(kRunFileHeaderSize), variant))
        addRecord(*first);

    constexpr size_t kRecordsPerRead = 4096;
    std::vector<uint8_t> buf(info.recordSize * kRecordsPerRead);
    for (size_t left = records - 1; left > 0;) {
        const size_t want = std::min(left, kRecordsPerRead);
        const size_t got = std::fread(buf.data(), info.recordSize, want, file.get());
        for (size_t k = 0; k < got; ++k) {
            if (const std::optional<RunRecord> record = ParseRunRecord(
                    std::span(buf).subspan(k * info.recordSize, info.recordSize), variant))
                addRecord(*record);
        }
        if (got != want) {
            if (std::ferror(file.get())) {
                result.error = std::strerror(errno);
                return result;
            }
            break;
        }
        left -= got;
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
