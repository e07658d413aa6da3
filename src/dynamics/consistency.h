#pragma once
// How evenly a driver lapped: the spread of the flying laps of a session.

#include <vector>

namespace qv {

// Laps within this share of the best lap time are flying laps; out-laps,
// in-laps and laps behind a slow car fall outside it.
inline constexpr double kFlyingLapRatio = 1.07;
inline constexpr int kBestLapsAveraged = 5;

struct Consistency {
    int laps = 0;  // with a time above zero
    int flyingLaps = 0;
    double bestSeconds = 0;
    double meanSeconds = 0;      // of the flying laps
    double stdDevSeconds = 0;    // sample standard deviation of the flying laps; 0 for one
    double bestFiveSeconds = 0;  // average of the fastest laps, up to five of them
    int bestFiveCount = 0;
};

// From the lap times in seconds, in any order; times of zero or below are
// not laps.
Consistency ComputeConsistency(const std::vector<double>& lapSeconds,
                               double flyingRatio = kFlyingLapRatio);

}  // namespace qv
