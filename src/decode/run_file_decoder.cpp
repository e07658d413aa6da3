#include "decode/run_file_decoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "core/display_format.h"
#include "core/record_reader.h"
#include "decode/log_blocks.h"
#include "decode/smooth_speeds.h"
#include "geometry/headings.h"

namespace qv {

static_assert(std::endian::native == std::endian::little,
              "run files are little-endian and are read by copying");

namespace {

// Stands for an undefined heading: a step of no length.
constexpr Float80 kNoHeading = std::numeric_limits<Float80>::quiet_NaN();

const RunFileVariantInfo kBon = {.recordSize = kRunGpsRecordSize,
                                 .msPerFractionStep = 100,
                                 .k1 = -2.7461L,
                                 .k2 = 3.91284L,
                                 .k3 = 171.5093L};
const RunFileVariantInfo kBon4 = {.recordSize = kRunGpsRecordSize,
                                  .msPerFractionStep = 10,
                                  .skipFraction99 = true,
                                  .valid = 3,
                                  .smoothSpeeds = true,
                                  .k1 = -4.3817L,
                                  .k2 = 6.20417L,
                                  .k3 = 142.3859L};
const RunFileVariantInfo kBonz = {.recordSize = kRunMotionRecordSize,
                                  .msPerFractionStep = 100,
                                  .motion = true,
                                  .k1 = -2.7461L,
                                  .k2 = 3.91284L,
                                  .k3 = 171.5093L};
const RunFileVariantInfo kBnz4 = {.recordSize = kRunMotionRecordSize,
                                  .msPerFractionStep = 10,
                                  .skipFraction99 = true,
                                  .smoothSpeeds = true,
                                  .motion = true,
                                  .k1 = -4.3817L,
                                  .k2 = 6.20417L,
                                  .k3 = 142.3859L};

constexpr uint8_t kRunSatellites = 8;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool DateTimeExists(const RunRecord& r, int ms) {
    if (r.year < 1 || r.year > 9999 || r.month < 1 || r.month > 12)
        return false;
    if (r.day < 1 || r.day > DaysInMonth(r.year, r.month))
        return false;
    return r.hour <= 23 && r.minute <= 59 && r.second <= 59 && ms <= 999;
}

void WrapOnce(double& deg) {
    if (deg > 360) {
        deg -= 360;
    } else if (deg < 0) {
        deg += 360;
    }
}

double Wrapped(double deg) {
    WrapOnce(deg);
    return deg;
}

// Heading of the step p -> q (north 180, east 270); nothing for a step of
// no length.
template <typename At>
std::optional<double> StepHeading(const At& at, size_t p, size_t q) {
    const YawSample& a = at(p);
    const YawSample& b = at(q);
    const Float80 heading = StepHeadingDeg(a.lat, a.lon, b.lat, b.lon, kNoHeading);
    if (std::isnan(heading))
        return std::nullopt;
    return static_cast<double>(heading);
}

// Mean of the headings into and out of fix i; nothing when either is undefined.
template <typename At>
std::optional<double> PairMeanHeading(const At& at, size_t i) {
    const std::optional<double> in = StepHeading(at, i - 1, i);
    const std::optional<double> out = StepHeading(at, i, i + 1);
    if (!in || !out)
        return std::nullopt;
    const double a = *in, b = *out;
    if (a == b)
        return a;
    if (b + 180 < a || a + 180 < b)
        return (a + b + 360) / 2;
    return (a + b) / 2;
}

double YawOffset(double gps, double yaw) {
    double d = gps - yaw;
    if (std::fabs(d) > 180)
        d = gps > yaw ? (gps - 360) - yaw : 360 - yaw + gps;
    return d;
}

template <typename At, typename Dir>
void DirectionFromYawImpl(size_t n, const At& at, Dir& dir) {
    // Step sizes are taken in whole milliseconds, as the fixes were logged, so
    // that a 10 Hz log is not judged slower than 10 Hz by a rounding error.
    double minStep = 9.9;
    for (size_t t = 1; t + 3 <= n; ++t) {
        const double step = std::round((at(t + 1).time - at(t).time) * kMsPerDay) / 1000;
        minStep = std::min(minStep, step);
    }
    const bool fast = minStep <= 0.1;
    const size_t tail = fast ? 4 : 3;  // the loop runs to n - tail

    auto steady = [&](size_t from, size_t to, double minSpd) {
        for (size_t k = from; k <= to; ++k) {
            if (!(at(k).spd > minSpd) || !(std::fabs(at(k).gX) < 0.1))
                return false;
        }
        return true;
    };

    bool calibrated = false;
    double offset = 0;
    size_t firstUnassigned = 0;
    size_t lastCal = 0;
    for (size_t i = 1; n >= tail && i <= n - tail; ++i) {
        if (!calibrated) {
            if (!steady(i - 1, i + 2, 7.5))
                continue;
            const std::optional<double> g = PairMeanHeading(at, i);
            if (!g)
                continue;
            offset = YawOffset(*g, at(i).yaw);
            for (size_t j = firstUnassigned; j <= i; ++j)
                dir(j) = Wrapped(offset + at(j).yaw);
            firstUnassigned = i + 1;
            lastCal = i;
            calibrated = true;
        } else if (at(i).spd >= 6) {
            if (steady(i - 1, fast ? i + 3 : i + 1, 40)) {
                if (const std::optional<double> g = PairMeanHeading(at, i)) {
                    const double fresh = YawOffset(*g, at(i).yaw);
                    double delta = fresh - offset;
                    if (std::fabs(delta) > 180)
                        delta = fresh <= offset ? (360 - offset) + fresh : (fresh - 360) - offset;
                    const double span = static_cast<double>(i - lastCal);
                    for (size_t j = lastCal + 1; j < i; ++j)
                        dir(j) = Wrapped(dir(j) + delta * static_cast<double>(j - lastCal) / span);
                    lastCal = i;
                    offset = fresh;
                }
            }
            dir(i) = Wrapped(offset + at(i).yaw);
            firstUnassigned = i + 1;
        } else {
            calibrated = false;
        }
    }
    for (size_t j = firstUnassigned; j < n; ++j)
        dir(j) = Wrapped(offset + at(j).yaw);
}

// Decodes records one at a time into the stores; the span decoder and the
// file reader both feed it.
class RunDecoder {
  public:
    RunDecoder(const MtkTarget& target, RunFileVariant variant, RunFileResult& result)
        : target_(target),
          variant_(variant),
          info_(RunFileVariantInfoOf(variant)),
          result_(result) {}

    // False once a record with a date that does not exist has ended the load.
    bool Add(const RunRecord& rec) {
        if (rec.year < kRunMinYear)
            return true;
        if (info_.skipFraction99 && rec.fraction == kRunSkippedFraction)
            return true;
        const double kmh = RunRecordSpeedKmh(rec);
        if (kmh > kRunMaxSpeedKmh) {
            target_.diagnostics.Insert(StrFormat("spd abnormal %.2f km/h", kmh));
            ++result_.speedAbnormal;
            return true;
        }
        const std::optional<TDateTime> when =
            RunRecordLocalTime(rec, variant_, target_.localTimeBase);
        if (!when) {
            result_.dateError = RunRecordDateError(rec, variant_);
            return false;
        }
        const double lat = rec.lat / 1e7;
        const double lon = rec.lon / 1e7;
        // The raw fields reach beyond the globe; such a fix would corrupt
        // every bounding box and distance computed from the log.
        if (lat < -90 || lat > 90 || lon < -180 || lon > 180)
            return true;

        LogStore& log = target_.log;
        if (log.LogItemNum >= MaxLogItemNum) {
            ++log.DroppedRecords;
            ++result_.droppedRecords;
            return true;
        }
        const int slot = log.LogItemNum;
        TLogItem& fix = log.LogItems[slot];
        fix = TLogItem{};
        fix.DtTm = *when;
        fix.valid = info_.valid;
        fix.Ido = lat;
        fix.Kdo = lon;
        fix.Elv = static_cast<float>(rec.elv / 10.0);
        fix.Spd = static_cast<float>(kmh);
        fix.Dir = 0;
        fix.sat_used = kRunSatellites;
        fix.sat_view = kRunSatellites;
        fix.ms = static_cast<uint16_t>(RunRecordMs(rec, variant_));
        log.MotionItems[slot] = info_.motion ? RunRecordMotion(rec) : TMotionSens{};
        AssignFixToBlock(log, slot);
        ++log.LogItemNum;
        ++result_.storedFixes;
        return true;
    }

    void Finish() {
        LogStore& log = target_.log;
        if (info_.motion)
            DirectionFromYaw(log);
        if (info_.smoothSpeeds && log.LogItemNum > 0)
            SmoothSpeeds(log);
    }

  private:
    const MtkTarget& target_;
    RunFileVariant variant_;
    const RunFileVariantInfo& info_;
    RunFileResult& result_;
};

// The 8-byte header against the first record.
bool HeaderMatches(std::span<const uint8_t> header, std::span<const uint8_t> first,
                   RunFileVariant variant) {
    const std::optional<RunRecord> record = ParseRunRecord(first, variant);
    if (!record || header.size() < kRunFileHeaderSize)
        return false;
    double stored;
    std::memcpy(&stored, header.data(), sizeof stored);
    const double v = ComputeRunFileCheckValue(variant, record->lat, record->lon, record->speedCms);
    return std::fabs(v - stored) <= kRunCheckTolerance;
}

}  // namespace

const RunFileVariantInfo& RunFileVariantInfoOf(RunFileVariant variant) {
    switch (variant) {
        case RunFileVariant::Bon:
            return kBon;
        case RunFileVariant::Bon4:
            return kBon4;
        case RunFileVariant::Bonz:
            return kBonz;
        case RunFileVariant::Bnz4:
            break;
    }
    return kBnz4;
}

bool IsRunFileSize(uintmax_t size, RunFileVariant variant) {
    return size >= kRunFileHeaderSize &&
           (size - kRunFileHeaderSize) % RunFileVariantInfoOf(variant).recordSize == 0;
}

size_t RunFileRecordCount(uintmax_t size, RunFileVariant variant) {
    if (!IsRunFileSize(size, variant))
        return 0;
    return static_cast<size_t>((size - kRunFileHeaderSize) /
                               RunFileVariantInfoOf(variant).recordSize);
}

std::optional<RunRecord> ParseRunRecord(std::span<const uint8_t> bytes, RunFileVariant variant) {
    const RunFileVariantInfo& info = RunFileVariantInfoOf(variant);
    if (bytes.size() < info.recordSize)
        return std::nullopt;
    RunGpsRecordLayout gps;
    std::memcpy(&gps, bytes.data(), sizeof gps);
    RunRecord r;
    r.unused0 = gps.unused0;
    r.speedCms = gps.speedCms;
    r.lat = gps.lat;
    r.lon = gps.lon;
    r.elv = gps.elv;
    r.unused16 = gps.unused16;
    r.year = gps.year;
    r.month = gps.month;
    r.day = gps.day;
    r.hour = gps.hour;
    r.minute = gps.minute;
    r.second = gps.second;
    r.fraction = gps.fraction;
    if (info.motion) {
        std::memcpy(r.motion.data(), bytes.data() + offsetof(RunMotionRecordLayout, motion),
                    sizeof(double) * kRunMotionValues);
    }
    return r;
}

double ComputeRunFileCheckValue(RunFileVariant variant, int32_t lat, int32_t lon,
                                uint16_t speedCms) {
    const RunFileVariantInfo& info = RunFileVariantInfoOf(variant);
    const double latDeg = static_cast<double>(Float80(lat) / 1e7L);
    const double lonDeg = static_cast<double>(Float80(lon) / 1e7L);
    const double a = static_cast<double>(latDeg * info.k1);
    const double b = static_cast<double>(lonDeg + info.k3);
    const double ak2 = static_cast<double>(a * info.k2);
    const double ak2b = ak2 * b;
    return ak2b + speedCms;
}

bool RunFileCheckPasses(std::span<const uint8_t> file, RunFileVariant variant) {
    return IsRunFileSize(file.size(), variant) &&
           HeaderMatches(file.first(kRunFileHeaderSize), file.subspan(kRunFileHeaderSize), variant);
}

double RunRecordSpeedKmh(const RunRecord& record) {
    return record.speedCms / 100.0 * 3600 / 1000;
}

int RunRecordMs(const RunRecord& record, RunFileVariant variant) {
    return record.fraction * RunFileVariantInfoOf(variant).msPerFractionStep;
}

std::optional<TDateTime> RunRecordLocalTime(const RunRecord& record, RunFileVariant variant,
                                            TDateTime localTimeBase) {
    const int ms = RunRecordMs(record, variant);
    if (!DateTimeExists(record, ms))
        return std::nullopt;
    const TDateTime utc = EncodeDate(record.year, record.month, record.day) +
                          EncodeTime(record.hour, record.minute, record.second, ms);
    return utc - kUnixEpochDays + localTimeBase;
}

std::string RunRecordDateError(const RunRecord& record, RunFileVariant variant) {
    return StrFormat("%04u-%02u-%02u %02u:%02u:%02u.%03d is not a valid date and time",
                     unsigned{record.year}, unsigned{record.month}, unsigned{record.day},
                     unsigned{record.hour}, unsigned{record.minute}, unsigned{record.second},
                     RunRecordMs(record, variant));
}

double YawRadToDegrees(double radians) {
    if (!std::isfinite(radians))
        radians = 0;
    double y = -radians * 180 / std::numbers::pi;
    if (!std::isfinite(y))  // too large to turn into degrees directly
        y = -std::fmod(radians, 2 * std::numbers::pi) * 180 / std::numbers::pi;
    if (y < 0)
        y += 360;
    y += 180;
    if (y > 360)
        y -= 360;
    // A sensor angle beyond one turn either way is folded into the circle,
    // so that every direction built on it stays within 0..360.
    if (!(y >= 0 && y <= 360)) {
        y = std::fmod(y, 360.0);
        if (y < 0)
            y += 360;
    }
    return y;
}

TMotionSens RunRecordMotion(const RunRecord& record) {
    double v[kRunMotionValues];
    for (int k = 0; k < kRunMotionValues; ++k)
        v[k] = std::isfinite(record.motion[k]) ? record.motion[k] : 0.0;
    TMotionSens m;
    m.yawX = v[0];
    m.yawY = v[1];
    m.yawZ = v[2];
    m.vX = v[3];
    m.vY = v[4];
    m.vZ = v[5];
    m.gX = v[6];
    m.gY = v[7];
    m.gZ = v[8];
    m.Pitch = v[9];
    m.Roll = v[10];
    m.Yaw = YawRadToDegrees(v[11]);
    return m;
}

void DirectionFromYaw(std::span<const YawSample> samples, std::span<double> dir) {
    const size_t n = std::min(samples.size(), dir.size());
    auto at = [&](size_t i) -> const YawSample& { return samples[i]; };
    auto dirAt = [&](size_t i) -> double& { return dir[i]; };
    DirectionFromYawImpl(n, at, dirAt);
}

void DirectionFromYaw(LogStore& log) {
    const size_t n = static_cast<size_t>(std::max(log.LogItemNum, 0));
    std::vector<YawSample> samples(n);
    std::vector<double> dir(n);
    for (size_t i = 0; i < n; ++i) {
        const TLogItem& fix = log.LogItems[i];
        const TMotionSens& m = log.MotionItems[i];
        samples[i] = {fix.DtTm, fix.Ido, fix.Kdo, fix.Spd, m.gX, m.Yaw};
        dir[i] = fix.Dir;
    }
    DirectionFromYaw(samples, dir);
    for (size_t i = 0; i < n; ++i)
        log.LogItems[i].Dir = static_cast<float>(dir[i]);
}

RunFileResult DecodeRunFile(const MtkTarget& target, std::span<const uint8_t> file,
                            RunFileVariant variant) {
    RunFileResult result;
    result.sizeOk = IsRunFileSize(file.size(), variant);
    if (!result.sizeOk)
        return result;
    result.fileRecords = RunFileRecordCount(file.size(), variant);
    result.checkPassed = RunFileCheckPasses(file, variant);
    if (!result.checkPassed)
        return result;
    const size_t size = RunFileVariantInfoOf(variant).recordSize;
    RunDecoder decoder(target, variant, result);
    for (size_t i = 0; i < result.fileRecords; ++i) {
        const std::optional<RunRecord> record =
            ParseRunRecord(file.subspan(kRunFileHeaderSize + i * size, size), variant);
        if (!record || !decoder.Add(*record))
            break;
    }
    decoder.Finish();
    return result;
}

RunFileScan ReadRunFileRecords(const std::filesystem::path& path, RunFileVariant variant,
                               const std::function<bool(const RunRecord&)>& onRecord) {
    RunFileScan scan;
    const size_t size = RunFileVariantInfoOf(variant).recordSize;
    RecordReader reader(path, size, kRunFileHeaderSize);
    scan.missing = reader.Missing();
    if (!reader.IsOpen()) {
        scan.ioError = reader.Error();
        return scan;
    }
    scan.sizeOk = reader.WholeRecords();
    if (!scan.sizeOk)
        return scan;
    scan.fileRecords = reader.RecordCount();
    for (auto chunk = reader.NextChunk(); !chunk.empty(); chunk = reader.NextChunk()) {
        if (!scan.checkPassed) {
            scan.checkPassed = HeaderMatches(reader.Header(), chunk.first(size), variant);
            if (!scan.checkPassed)
                return scan;
        }
        for (size_t at = 0; at < chunk.size(); at += size) {
            const std::optional<RunRecord> record =
                ParseRunRecord(chunk.subspan(at, size), variant);
            if (!record || !onRecord(*record))
                return scan;
        }
    }
    scan.ioError = reader.Error();
    return scan;
}

RunFileResult LoadRunFileToLogItems(const MtkTarget& target, const std::filesystem::path& path,
                                    RunFileVariant variant) {
    RunFileResult result;
    RunDecoder decoder(target, variant, result);
    const RunFileScan scan = ReadRunFileRecords(
        path, variant, [&decoder](const RunRecord& record) { return decoder.Add(record); });
    result.sizeOk = scan.sizeOk;
    result.checkPassed = scan.checkPassed;
    result.fileRecords = scan.fileRecords;
    result.ioError = scan.ioError;
    if (result.checkPassed)
        decoder.Finish();
    return result;
}

RunFileResult LoadLapFileBleToLogItems(const MtkTarget& target, const std::filesystem::path& path) {
    return LoadRunFileToLogItems(target, path, RunFileVariant::Bon);
}

RunFileResult LoadLapFileBle4ToLogItems(const MtkTarget& target,
                                        const std::filesystem::path& path) {
    return LoadRunFileToLogItems(target, path, RunFileVariant::Bon4);
}

RunFileResult LoadLapFileBleZToLogItems(const MtkTarget& target,
                                        const std::filesystem::path& path) {
    return LoadRunFileToLogItems(target, path, RunFileVariant::Bonz);
}

RunFileResult LoadLapFileBleZ4ToLogItems(const MtkTarget& target,
                                         const std::filesystem::path& path) {
    return LoadRunFileToLogItems(target, path, RunFileVariant::Bnz4);
}

}  // namespace qv
