#pragma once
// What every graph view of the main window reads: the play cursor, the
// x-axis choice, the zoom levels, the show/hide toggles and the requests to
// rebuild cached backgrounds. The playback end is the alignment's
// `MaxAlignedTim` and is passed in where it is needed.

#include <optional>

#include "core/date_time.h"
#include "core/ext80.h"
#include "presentation/play_speed.h"

namespace qv {

enum class XAxisMode { kDistance, kTime };

// The entries of the G-graph drop-down, in its order.
enum class GGraphItem { kXYG = 0, kXG = 1, kYG = 2 };

// The views a right click can export, numbered as the export target.
enum class GraphView {
    kSpeedGraph = 0,
    kCourseOverview = 1,
    kCourseMap = 2,
    kGView = 3,
    kDriftView = 4,
};

// Ranges over the laps in the slots, widened as laps are loaded. The lowest
// values start high and the highest low, so the first lap sets them.
struct DisplayExtremes {
    Float80 IdoMin = 90, IdoMax = -90;
    Float80 KdoMin = 180, KdoMax = -180;
    Float80 MinSpd = 9999.9L, MaxSpd = 0;
    Float80 ElvLo = 99999, ElvHi = -999;
    Float80 LapDist = 0;  // km, the longest
    TTime LapTim = 0;     // the longest
    Float80 lapTimeSec = 0;
};

// Cached backgrounds to rebuild on their next paint; each view clears its
// own flag when it has rebuilt.
struct RebuildFlags {
    bool courseOverview = false;
    bool gView = false;
    bool driftView = false;
    // The speed graph's display list, for changes to the laps' samples
    // that leave the laps where they were; other changes it sees itself.
    bool speedGraph = false;

    void SetAll() { courseOverview = gView = driftView = speedGraph = true; }
};

struct PresentationState {
    Float80 playTime = 0;  // s from each lap's start
    // Playback runs: the 66 ms timer is on and the button shows the pause
    // glyph; stopped shows the play glyph.
    bool playing = false;
    std::optional<TDateTime> lastTick;

    DisplayExtremes extremes;
    Float80 mapOrigin = 0;  // latitude of slot A's first sample
    Float80 mapCentreIdo = 0, mapCentreKdo = 0;

    XAxisMode xAxis = XAxisMode::kDistance;
    Float80 xZoom = 1;    // 1 ... 16
    Float80 mapZoom = 1;  // 0.5 ... 16, pixels per metre
    int gZoomStep = 2;    // 0 ... 6
    PlaySpeed playSpeed = PlaySpeed::kX1;

    bool showTimeDiff = true;
    // The time difference matches the laps by position on slot A's path
    // rather than by travelled distance.
    bool diffByPosition = false;
    bool showElevation = false;
    bool showGGraph = false;
    GGraphItem gGraphItem = GGraphItem::kXYG;
    bool showDriftAngle = true;
    bool showDecelZones = true;
    bool circuitMapToolShown = true;

    RebuildFlags rebuild;
    // A file dialog of the sector, track map, KML or image commands is open.
    bool dialogOpen = false;
    std::optional<GraphView> exportTarget;
};

}  // namespace qv
