#pragma once
// Turn radius and lateral, longitudinal and combined G of every sample of a
// lap, from positions, speed and time alone.

#include <span>

#include "core/ext80.h"
#include "core/records.h"

namespace qv {

inline constexpr double kStandardGravity = 9.80665;  // m/s^2
inline constexpr double kKmhPerMps = 3.6;

// +1 when the heading falls from hp to h (a left turn), -1 when it rises,
// across the 0/360 seam by the shorter way for headings in different outer
// quadrants; +1 when they are equal.
int32_t TurnDirection(Float80 h, Float80 hp);

// Fills the records of the first n samples, n the smallest of the sizes,
// from samples already smoothed and headed (SmoothPositions, TravelHeadings):
// local plane, raw radius, the filters of the lap's logging rate, G and the
// displayed 3-point values. The first and the last record keep only spd2,
// X and Y; a lap of fewer than 3 samples has no radius or G at all.
void CalcGRecords(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                  std::span<const Float80> smLon, std::span<const Float80> trHd,
                  std::span<TGCalRec> gElm);

// The whole computation for plain sample arrays, working arrays included.
void CalcGElm(std::span<const TLapElmRec> samples, std::span<TGCalRec> gElm);

// GElm of a loaded lap, rewritten from its first ElmNum samples (never more
// than Elm holds); GElm is sized to match Elm.
void SetGElm(TLapDtRec& lap);

}  // namespace qv
