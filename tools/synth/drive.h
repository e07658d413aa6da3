#pragma once
// A synthetic car lapping a closed circuit, logged like a GPS logger: the
// source of test logs whose true lap times are known.

#include <cstdint>
#include <string>
#include <vector>

namespace qv::synth {

struct LatLon {
    double lat = 0;
    double lon = 0;
};

// A closed centre line; the start/finish line crosses it at points[0],
// perpendicular to the first segment.
struct Circuit {
    std::string name;
    std::vector<LatLon> points;  // last point joins the first
    LatLon lineA, lineB;         // start/finish line end points (about 30 m apart)
};

// About 2.4 km with a long straight, a hairpin, fast sweepers and a chicane.
Circuit DemoCircuit();

struct Stop {
    int afterLap = 0;        // 1 = at the end of the first lap
    double seconds = 0;      // standing still (pit stop) or logging off (gap)
};

struct DriveOptions {
    double rateHz = 10;  // 1 to 50; fixes lie on whole multiples of 1/rateHz
    int laps = 5;        // full laps after the out-lap
    int64_t startUtcMs = 1714377600000;  // 2024-04-29 08:00:00 UTC
    double vmaxKmh = 220;
    double maxLateralG = 1.2;
    double maxBrakeG = 1.1;
    double maxAccelG = 0.45;
    double noiseM = 0;         // standard deviation of the position noise
    double speedNoiseKmh = 0;  // standard deviation of the speed noise
    double elevationM = 120;   // mean elevation; the circuit rises and falls a little
    uint32_t seed = 1;
    std::vector<Stop> pitStops;  // standing still 100 m after the line, fixes logged
    std::vector<Stop> gaps;      // logging switched off after the lap
    uint8_t satUsed = 9;
    uint8_t satView = 12;
};

struct SynthFix {
    int64_t utcMs = 0;  // ms since 1970-01-01 UTC
    double lat = 0;
    double lon = 0;
    float elv = 0;         // m
    float spd = 0;         // km/h, noise included, never negative
    float compassDeg = 0;  // travel direction as a compass bearing
    uint8_t satUsed = 0;
    uint8_t satView = 0;
};

struct Drive {
    std::vector<SynthFix> fixes;
    // True times (ms since 1970 UTC, fractional) at which the car crossed the
    // start/finish line, in order: the out-lap ends at the first one.
    std::vector<double> crossingUtcMs;
    double lapLengthKm = 0;
};

// The car starts 200 m before the line, standing, and drives the out-lap,
// `laps` flying laps and a slow in-lap that ends 150 m after the line.
Drive SynthesizeDrive(const Circuit& circuit, const DriveOptions& options);

}  // namespace qv::synth
