#pragma once
// The values of the settings file that the engine reads.

namespace qv {

// The language of the window's texts. System follows the process locale.
enum class WindowLanguage { System, English, Japanese };

// Values read from the settings file; defaults for a first start. The file
// holds them as lines in this order (app/settings_file.h).
struct Settings {
    int MinSatNum = 4;
    double MinLapDist = 0.2;  // km, 0.001 to 9.999
    double MinLapTime = 8.0;  // s, 1 to 99.9
    bool SpeedInKmh = true;
    bool DistInKm = true;
    // How far a sector gate reaches on each side of the vehicle position, m,
    // 1 to 30.
    double sectorGateHalfLength = 15.0;
    // The graph toggles of the window: time difference, elevation, drift.
    bool diffTimeGraphShown = true;
    bool elevationGraphShown = false;
    bool driftGraphShown = false;
    // Every log opened or downloaded goes into the session library.
    bool libraryAutoAdd = true;
    WindowLanguage windowLanguage = WindowLanguage::System;
};

}  // namespace qv
