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

// About 1.6 km over two loops whose branches cross, the fastest stretch
// of the lap being the crossing.
Circuit FigureEightCircuit();

// Both kinds of stop happen 100 m past the line that ends lap `afterLap`
// (0 = the out-lap, 1 = the first flying lap, ...; out of range is ignored).
// On circuits shorter than 400 m this and the 200 m and 150 m below shrink in
// proportion to the lap length.
struct Stop {
    int afterLap = 0;    // 1 = at the end of the first lap
    double seconds = 0;  // standing still (pit stop) or logging off (gap)
};

struct DriveOptions {
    double rateHz = 10;                  // 1 to 50; fixes lie on whole multiples of 1/rateHz
    int laps = 5;                        // full laps after the out-lap
    int64_t startUtcMs = 1714377600000;  // 2024-04-29 08:00:00 UTC
    double vmaxKmh = 220;
    double maxLateralG = 1.2;
    double maxBrakeG = 1.1;
    double maxAccelG = 0.45;
    // White Gaussian noise on the logged values only; the true motion and the
    // crossing times do not change with it. Zero gives a smooth, reproducible
    // drive whatever the seed.
    double noiseM = 0;         // standard deviation, north and east each
    double speedNoiseKmh = 0;  // standard deviation; the result is clamped at 0
    double elevationM = 120;   // mean elevation; the circuit rises and falls a little
    uint32_t seed = 1;
    std::vector<Stop> pitStops;  // standing still 100 m after the line, fixes logged
    // Logging switched off after the lap while the car waits, standing, at
    // the same place as a pit stop; after a pit stop of the same lap.
    std::vector<Stop> gaps;
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

// A span of true time, ms since 1970 UTC.
struct Span {
    double fromUtcMs = 0;
    double toUtcMs = 0;
};

struct Drive {
    std::vector<SynthFix> fixes;
    // True times (ms since 1970 UTC, fractional) at which the car crossed the
    // start/finish line, in order: the out-lap ends at the first one.
    std::vector<double> crossingUtcMs;
    double lapLengthKm = 0;
    std::vector<Span> pitStopUtcMs;  // standing still, logged; one per lap with a pit stop
    std::vector<Span> gapUtcMs;      // no fix lies in [fromUtcMs, toUtcMs)
};

// The car starts 200 m before the line, standing, and drives the out-lap,
// `laps` flying laps and a slow in-lap that ends 150 m after the line. It
// follows a smooth curve through the centre line points at the fastest speed
// that the lateral, braking and acceleration limits allow, so a circuit
// should be sampled densely (every few metres) for realistic corners. Flying
// laps without a stop have the same lap time, unless the run-out is too short
// to stop in without braking before the line. Logging runs from the start
// until the car stands at the end.
Drive SynthesizeDrive(const Circuit& circuit, const DriveOptions& options);

// A pit lane beside the main straight, laid out by distances along the
// centre line from the start/finish line (negative before it). It leaves the
// track before the line and joins it again after the line, far enough to the
// side that neither the control line nor a sector gate reaches it. The line
// must lie on a straight that holds the lane; the defaults fit the demo
// circuit.
struct PitLane {
    double entryM = -145;     // leaves the centre line
    double laneFromM = -65;   // fully beside the track from here
    double laneToM = 290;     // to here
    double exitM = 390;       // back on the centre line
    double sideM = 25;        // the lane's centre from the track's, positive to the left
    double limitFromM = -55;  // the speed limit holds between the two limit lines
    double limitToM = 270;
    double limitKmh = 60;
    double boxM = -30;  // where each stint sets off and ends standing
};

// How a planned flying lap takes one corner of the session's circuit. The
// corners are the stretches tighter than a 400 m radius, in driving order
// from the line, bends less than 25 m apart being one (so the demo
// circuit's chicane is one, and so are the two sweepers before it).
struct CornerPlan {
    double grip = 1;   // share of the lateral grip used
    double brake = 1;  // share of the braking grip used on the way in
    double lineM = 0;  // at the apex, towards the inside of the turn; negative runs wide
    // Braking starts this much earlier, at the same deceleration, and the
    // corner's lowest speed is then held up to the apex.
    double brakeEarlierM = 0;
};

struct SessionOptions {
    double rateHz = 20;                  // 1 to 50
    int64_t startUtcMs = 1730620800000;  // 2024-11-03 08:00:00 UTC
    std::vector<int> stints = {4};       // flying laps of each stint
    double breakS = 900;                 // logger off in the pit box between two stints
    double vmaxKmh = 220;
    double maxLateralG = 1.2;
    double maxBrakeG = 1.1;
    double maxAccelG = 0.45;
    double noiseM = 0;  // as in DriveOptions
    double speedNoiseKmh = 0;
    double elevationM = 120;
    uint32_t seed = 1;  // the logged noise and the driver's lap-to-lap variation
    uint8_t satUsed = 9;
    uint8_t satView = 12;
    // When not empty, flying lap k of every stint takes its corners as
    // plannedLaps[k] says instead of the driver's drawn variation; corners
    // and laps without a plan are driven at the limit on the centre line.
    std::vector<std::vector<CornerPlan>> plannedLaps{};
};

// A driver's session in stints. Each stint starts rolling at the pit limit
// from the pit box (a logger switched on by its trigger speed), leaves the
// pit lane on an out-lap on cold tyres, drives its flying laps and comes back
// on a slow in-lap to stand in the box, where logging ends. On flying laps
// the grip used, the braking and the line through every corner vary from lap
// to lap, so lap times spread by some tenths and the differences between two
// laps lie in the corners. The driver's variation follows from the seed,
// not from the noise options, and the same options give the same fixes.
// Pit-lane distances out of order, a lane longer than the lap or no stint
// give an empty drive.
Drive SynthesizeSession(const Circuit& circuit, const PitLane& pitLane,
                        const SessionOptions& options);

}  // namespace qv::synth
