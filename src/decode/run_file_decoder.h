#pragma once
// Decoding of run files: an 8-byte check value followed by fixed-length GPS
// records, in four variants (.bon, .bon4 with 26-byte records; .bonz, .bnz4
// with 122-byte records that add twelve motion-sensor values). For the
// motion variants the car's pointing direction is derived from the yaw
// sensor, calibrated against the GPS track on straight, steady stretches.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/date_time.h"
#include "core/ext80.h"
#include "core/records.h"
#include "core/stores.h"
#include "decode/mtk_decoder.h"

namespace qv {

enum class RunFileVariant { Bon, Bon4, Bonz, Bnz4 };

struct RunFileVariantInfo {
    size_t recordSize = 0;
    int msPerFractionStep = 0;  // 100 for tenths of a second, 10 for hundredths
    bool skipFraction99 = false;
    uint16_t valid = 0;  // the fixes' validity word
    bool smoothSpeeds = false;
    bool motion = false;             // records carry motion values; Dir comes from the yaw sensor
    Float80 k1 = 0, k2 = 0, k3 = 0;  // check value constants
};

const RunFileVariantInfo& RunFileVariantInfoOf(RunFileVariant variant);

inline constexpr size_t kRunFileHeaderSize = 8;
inline constexpr size_t kRunGpsRecordSize = 26;
inline constexpr size_t kRunMotionRecordSize = 122;
inline constexpr int kRunMotionValues = 12;
inline constexpr uint16_t kRunMinYear = 1970;
inline constexpr double kRunMaxSpeedKmh = 2000;
inline constexpr double kRunCheckTolerance = 0.001;
inline constexpr uint8_t kRunSkippedFraction = 99;

// The file layout of one record, little-endian and unaligned.
#pragma pack(push, 1)
struct RunGpsRecordLayout {
    uint16_t unused0;
    uint16_t speedCms;
    int32_t lat;  // degrees x 10^7
    int32_t lon;  // degrees x 10^7
    int32_t elv;  // 0.1 m
    uint16_t unused16;
    uint16_t year;  // UTC
    uint8_t month, day, hour, minute, second;
    uint8_t fraction;  // tenths or hundredths of a second, by variant
};
struct RunMotionRecordLayout {
    RunGpsRecordLayout gps;
    double motion[kRunMotionValues];  // yawX ... Roll, then the yaw angle in radians
};
#pragma pack(pop)
static_assert(sizeof(RunGpsRecordLayout) == kRunGpsRecordSize);
static_assert(offsetof(RunGpsRecordLayout, speedCms) == 2);
static_assert(offsetof(RunGpsRecordLayout, lat) == 4);
static_assert(offsetof(RunGpsRecordLayout, lon) == 8);
static_assert(offsetof(RunGpsRecordLayout, elv) == 12);
static_assert(offsetof(RunGpsRecordLayout, unused16) == 16);
static_assert(offsetof(RunGpsRecordLayout, year) == 18);
static_assert(offsetof(RunGpsRecordLayout, month) == 20);
static_assert(offsetof(RunGpsRecordLayout, day) == 21);
static_assert(offsetof(RunGpsRecordLayout, hour) == 22);
static_assert(offsetof(RunGpsRecordLayout, minute) == 23);
static_assert(offsetof(RunGpsRecordLayout, second) == 24);
static_assert(offsetof(RunGpsRecordLayout, fraction) == 25);
static_assert(sizeof(RunMotionRecordLayout) == kRunMotionRecordSize);
static_assert(offsetof(RunMotionRecordLayout, motion) == 26);

// One record's fields as stored, before any conversion.
struct RunRecord {
    uint16_t unused0 = 0;
    uint16_t speedCms = 0;
    int32_t lat = 0;
    int32_t lon = 0;
    int32_t elv = 0;
    uint16_t unused16 = 0;
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0, fraction = 0;
    std::array<double, kRunMotionValues> motion{};  // zero in the 26-byte variants
};

// (size - 8) is a whole number of records of the variant.
bool IsRunFileSize(uintmax_t size, RunFileVariant variant);
// Records in a file of that size (0 when it is not a run file).
size_t RunFileRecordCount(uintmax_t size, RunFileVariant variant);

// Reads one record from the first bytes of `bytes`; nothing when fewer than
// the variant's record size are given.
std::optional<RunRecord> ParseRunRecord(std::span<const uint8_t> bytes, RunFileVariant variant);

// The run-file check value of a first record.
double ComputeRunFileCheckValue(RunFileVariant variant, int32_t lat, int32_t lon,
                                uint16_t speedCms);
// The file has the variant's size and its header matches its first record.
bool RunFileCheckPasses(std::span<const uint8_t> file, RunFileVariant variant);

double RunRecordSpeedKmh(const RunRecord& record);
// The variant's milliseconds of the fraction byte.
int RunRecordMs(const RunRecord& record, RunFileVariant variant);
// The record's local date-time; nothing when its date or time does not exist
// (month 13, 30 February, 1,000 ms or more, ...).
std::optional<TDateTime> RunRecordLocalTime(const RunRecord& record, RunFileVariant variant,
                                            TDateTime localTimeBase);
// The text reported when a record's date-time does not exist.
std::string RunRecordDateError(const RunRecord& record, RunFileVariant variant);

// The yaw angle in radians as the 0..360 degrees `Yaw`: 0 rad gives 180,
// pi / 2 gives 90. A value that is not finite counts as 0.
double YawRadToDegrees(double radians);
// The motion values of a 122-byte record; values that are not finite become 0.
TMotionSens RunRecordMotion(const RunRecord& record);

// What direction-from-yaw reads of one fix or lap sample.
struct YawSample {
    TDateTime time = 0;
    double lat = 0, lon = 0;
    double spd = 0;  // km/h
    double gX = 0;
    double yaw = 0;  // degrees, as in TMotionSens::Yaw
};

// Replaces dir[i] (one per sample) by the pointing direction from the yaw
// sensor, calibrated against the GPS headings while the car runs straight
// and steady above 7.5 km/h, and re-calibrated (the offset change spread
// linearly over the fixes since the previous calibration) on straights above
// 40 km/h. Entries the procedure does not assign are left as they are.
void DirectionFromYaw(std::span<const YawSample> samples, std::span<double> dir);
// The same over the first LogItemNum fixes and their motion records.
void DirectionFromYaw(LogStore& log);

struct RunFileResult {
    bool sizeOk = false;       // (size - 8) is a whole number of records
    bool checkPassed = false;  // the header matches the first record
    size_t fileRecords = 0;
    int storedFixes = 0;         // fixes added to the store
    int64_t droppedRecords = 0;  // acceptable records that found the store full
    int speedAbnormal = 0;       // records refused for a speed above 2000 km/h
    std::string ioError;         // the platform's message when the file could not be read
    std::string dateError;       // a record whose date does not exist ended the load
    bool Ok() const { return ioError.empty() && dateError.empty(); }
};

// Decodes a whole run file held in `file` into the stores, appending to
// what they hold (the caller resets them first). Records refused for their
// speed put "spd abnormal %.2f km/h" into the diagnostic list. A record whose
// date does not exist ends the load; the fixes before it are kept and still
// get their directions and smoothing. The variants ending in 4 get the
// speed smoothing when any fix was stored.
RunFileResult DecodeRunFile(const MtkTarget& target, std::span<const uint8_t> file,
                            RunFileVariant variant);

// What reading a run file from disk found.
struct RunFileScan {
    bool missing = false;      // no regular file at the path
    bool sizeOk = false;       // (size - 8) is a whole number of records
    bool checkPassed = false;  // the header matches the first record
    size_t fileRecords = 0;
    std::string ioError;  // the platform's message; set for a missing file too
};

// Reads a run file a chunk at a time and hands its records to `onRecord` in
// file order, while it returns true; only a file of the variant's size
// whose header matches its first record gets that far. A read that fails
// part way (see RecordReader) stops with ioError set after the records that
// arrived were handed on.
RunFileScan ReadRunFileRecords(const std::filesystem::path& path, RunFileVariant variant,
                               const std::function<bool(const RunRecord&)>& onRecord);

// Reads `path` and decodes it as DecodeRunFile does, in pieces, so that a
// file far beyond the store's capacity does not have to fit in memory. A
// read that fails part way keeps the fixes stored before it, with ioError.
RunFileResult LoadRunFileToLogItems(const MtkTarget& target, const std::filesystem::path& path,
                                    RunFileVariant variant);

RunFileResult LoadLapFileBleToLogItems(const MtkTarget& target, const std::filesystem::path& path);
RunFileResult LoadLapFileBle4ToLogItems(const MtkTarget& target, const std::filesystem::path& path);
RunFileResult LoadLapFileBleZToLogItems(const MtkTarget& target, const std::filesystem::path& path);
RunFileResult LoadLapFileBleZ4ToLogItems(const MtkTarget& target,
                                         const std::filesystem::path& path);

}  // namespace qv
