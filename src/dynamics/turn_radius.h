#pragma once
// Turn radius from three consecutive points of the local metric plane, and
// the filters that clean the raw radii, chosen by how fast the lap was
// logged.

#include <span>

#include "core/ext80.h"
#include "core/records.h"

namespace qv {

inline constexpr double kStraightRadiusM = 9999.9;

// Radius (m) of the circle through p0, p1, p2 by the intersection of the
// perpendicular bisectors of p0p1 and p1p2. Degenerate triples (a repeated
// point, a second step along an axis, parallel bisectors) give
// kStraightRadiusM; a first step along an axis takes the bisector slope 1.
// Never more than kStraightRadiusM.
double ThreePointRadius(double x0, double y0, double x1, double y1, double x2, double y2);

// kFine: the shortest step between samples is at most 0.1 s (10 Hz and
// faster); kMedium: at most 0.2 s (5 Hz); kCoarse: slower, or too few steps.
enum class LogRate { kFine, kMedium, kCoarse };

// From the Sec steps between samples 1..n-2, the ones whose radius exists.
LogRate LogRateOf(std::span<const TLapElmRec> samples);

// r1 of samples 1..n-2 from their r: medians of 3 and 5 for kFine and
// kMedium (kMedium lets the tightest point of a corner through), a copy of r
// for kCoarse. The first and the last record are read as neighbours where
// the windows reach them but never written.
void MedianStage(std::span<TGCalRec> gElm, LogRate rate);

// r2 of samples 1..n-2 from their r1: a weighted mean over 5 (kFine) or 3
// (kMedium) samples, a copy of r for kCoarse.
void AveragingStage(std::span<TGCalRec> gElm, LogRate rate);

}  // namespace qv
