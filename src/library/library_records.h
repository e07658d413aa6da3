#pragma once
// What the session library hands out: tracks, sessions, laps and the
// personal-best history, as plain values.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"

namespace qv {

struct LibraryTrack {
    int64_t id = 0;
    // The circuit file's name for a known circuit; empty for a track found
    // only by position until the user names it.
    std::string name;
    bool named = false;  // a circuit's name or one the user gave
    double lat = 0;      // where its first session was driven
    double lon = 0;
    int sessionCount = 0;
};

struct LibrarySession {
    int64_t id = 0;
    int64_t trackId = 0;
    std::string path;  // where the log was last seen
    int64_t size = 0;
    std::string hash;          // of the file's content, hex
    std::string loggerKind;    // the log's extension in lower case: "bnx4", "vbo", ...
    TDateTime startLocal = 0;  // first fix, local standard time
    TDateTime startUtc = 0;
    int lapCount = 0;                  // laps listed (plausible ones)
    std::optional<double> bestLapSec;  // flying laps only
    // The sum of the best time of each sector over the session's flying
    // laps, when its laps were timed in sectors; else the best lap.
    std::optional<double> idealLapSec;
    // The fastest lap its laps could make where two of them pass within a
    // metre of each other; none for a session added before it was kept.
    std::optional<double> achievableLapSec;
    bool personalBest = false;  // holds the track's best lap
    bool missing = false;       // the file was not found where it was last seen
};

struct LibraryLap {
    int64_t id = 0;
    int64_t sessionId = 0;
    int number = 0;  // from 1 within its session
    TDateTime startLocal = 0;
    double lapSec = 0;
    double topSpeedKmh = 0;
    double distKm = 0;
    std::vector<double> sectorSec;  // empty without sector gates
    double uncertaintyMs = 0;       // ± at about 95 % confidence
    bool flying = false;            // bounded by two crossings of the line
};

// Sessions of one track: every one, or those in a date range and of a kind
// of logger.
struct SessionFilter {
    std::optional<TDateTime> from;  // local start at or after
    std::optional<TDateTime> to;    // local start before
    std::string loggerKind;         // empty for any
};

// One point of a track's progress: a session with a best lap.
struct BestPoint {
    int64_t sessionId = 0;
    TDateTime startLocal = 0;
    double bestLapSec = 0;
    // The average of the session's five best flying laps (of all it has
    // when fewer).
    double bestFiveAverageSec = 0;
    bool improved = false;  // better than every earlier session of the track
};

}  // namespace qv
