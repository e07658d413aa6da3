#pragma once
// Writes run files of the four variants from a synthetic drive, with a yaw
// sensor channel that agrees with the drive (and can be turned away from
// the travel direction by a known drift angle), damaged records and a right
// or wrong check value, so that the decoder can be tested against truth.

#include <cstdint>
#include <vector>

#include "decode/run_file_decoder.h"
#include "synth/drive.h"

namespace qv::synth {

enum class RunFault {
    None,
    YearBefore1970,  // year 1969: skipped without a word
    SpeedAbove2000,  // 55,556 cm/s: refused with a diagnostic line
    Fraction99,      // fraction byte 99: skipped by the variants ending in 4
    MonthThirteen,   // a date that does not exist: ends the load
    LatitudeOut,     // 95 degrees north
};

struct RunFileEncodeOptions {
    // Where the yaw sensor reads zero: its Yaw is the pointing direction (north
    // 180, east 270) minus this angle, so the decoder has to calibrate it away.
    double yawZeroDeg = 37;
    // Per fix: degrees the nose points clockwise of the travel direction
    // (seen from above). Empty: the car points where it goes.
    std::vector<double> driftDeg;
    // Per fix; empty: every record sound.
    std::vector<RunFault> faults;
    // Added to the correct check value written into the header.
    double checkValueError = 0;
};

// The raw yaw angle in radians, within (-pi, pi], that decodes to `yawDeg`.
double YawDegreesToRad(double yawDeg);

// The direction (north 180, east 270) the car points at a fix.
double PointingDir(const SynthFix& fix, double driftDeg);

// Per fix: `angleDeg` toward the inside of the turn wherever the drive turns
// faster than `minTurnDegPerS`, else 0.
std::vector<double> DriftInCorners(const std::vector<SynthFix>& fixes, double angleDeg,
                                   double minTurnDegPerS);

// The GPS fields of one fix as a logger writes them; the time keeps the
// variant's resolution (tenths or hundredths, truncated). Motion values zero.
RunRecord RunRecordOfFix(const SynthFix& fix, RunFileVariant variant);

// One record per fix, with the motion channels for the 122-byte variants:
// lateral G (gX, positive turning right) and longitudinal G (gY) from the
// drive, 1 G vertical, the turn rate in degrees per second as yawZ, the speed
// in m/s as vX and the yaw angle. Faults are applied last.
std::vector<RunRecord> RunRecordsOfDrive(const std::vector<SynthFix>& fixes, RunFileVariant variant,
                                         const RunFileEncodeOptions& options = {});

// The bytes of one record (26 or 122 by variant).
std::vector<uint8_t> EncodeRunRecord(const RunRecord& record, RunFileVariant variant);

// Header and records; the header holds the check value of the first record
// plus `checkValueError` (0 when there is no record).
std::vector<uint8_t> AssembleRunFile(const std::vector<RunRecord>& records, RunFileVariant variant,
                                     double checkValueError = 0);

// A whole run file of the drive.
std::vector<uint8_t> EncodeRunFile(const std::vector<SynthFix>& fixes, RunFileVariant variant,
                                   const RunFileEncodeOptions& options = {});

}  // namespace qv::synth
