#pragma once
// Drift angle of a lap: the logged heading Dir against the travel heading
// derived from consecutive positions. The steps are separate so that the
// lap export can write the raw, unsmoothed angle with the same rules.

#include <span>
#include <vector>

#include "core/records.h"

namespace qv {

// Thresholds of the drift evaluation; fixed, not settings.
inline constexpr Float80 DrInitDeg = 15.0L;
inline constexpr Float80 DrHoldDeg = 30.0L;
inline constexpr Float80 DrTransDeg = 15.0L;
inline constexpr Float80 DrRateMin = 20.0L;  // degrees per second
inline constexpr Float80 DrMinSpd = 10.0L;   // km/h
inline constexpr int DrMaxDeg = 99;

// Travel heading of every sample from the raw positions (north 180, east
// 270, south 0, west 90). Samples at or below 1.5 km/h keep their logged
// Dir. `gpsDir` must have one entry per sample; extra entries are left alone.
void CalcGpsDir(std::span<const TLapElmRec> samples, std::span<TDriftRec> gpsDir);

// Dir minus GpsDir in (-180, 180], 0 at or below 7 km/h; one per sample.
std::vector<Float80> RawDriftAngles(std::span<const TLapElmRec> samples,
                                    std::span<const TDriftRec> gpsDir);

// A drift run has more than five consecutive samples, the first and the
// last sample never counting, with |angle| > 10 degrees above 15 km/h.
bool IsDriftRun(std::span<const TLapElmRec> samples, std::span<const Float80> rawAngles);

// DAngle of every sample: the raw angles weighted 0.1, 0.2, 0.3, 1, 0.3,
// 0.2, 0.1 over three samples either side; a neighbour counts only when it
// lies less than 210 ms from the centre sample, so gaps in the log and slow
// logging rates do not smear the angle.
void SmoothDriftAngles(std::span<const TLapElmRec> samples, std::span<const Float80> rawAngles,
                       std::span<TDriftRec> drift);

// All four steps into `drift` (resized to the samples); returns whether the
// lap is a drift run.
bool CalcDriftAngles(std::span<const TLapElmRec> samples, std::vector<TDriftRec>& drift);

// DElm of a slot's lap; sets driftAct for a drift run and never clears it.
void SetDElm(TLapDtRec& lap);

// The smoothed angle of largest magnitude, signed; the first of equal
// magnitudes wins. 0 for no samples.
Float80 TopDriftAngle(std::span<const TDriftRec> drift);

}  // namespace qv
