#pragma once
// The values of the settings file that the engine reads.

namespace qv {

// Values read from the settings file; defaults for a first start.
struct Settings {
    int MinSatNum = 4;
    double MinLapDist = 0.2;  // km, 0.001 to 9.999
    double MinLapTime = 8.0;  // s, 1 to 99.9
    bool SpeedInKmh = true;
    bool DistInKm = true;
};

}  // namespace qv
