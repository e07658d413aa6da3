#pragma once
// What the "Library" page shows, as plain rows: the tracks, under each its
// sessions by date with their marks, the laps of the chosen session, and
// the filter by date range and logger. The page's widgets only show these.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "library/library_records.h"
#include "library/session_library.h"
#include "presentation/progress_chart.h"

namespace qv {

inline constexpr int kLibraryColumnCount = 7;
// "Track / session", "Logger", "Laps", "Best lap", "Ideal lap", "PB", "File".
extern const std::array<const char*, kLibraryColumnCount> kLibraryColumnTitles;
inline constexpr const char* kPersonalBestMark = "PB";
inline constexpr const char* kMissingMark = "(missing)";
inline constexpr const char* kAnyLogger = "All loggers";
inline constexpr const char* kMsgFilterDate = "Write the dates as yyyy/mm/dd.";
inline constexpr const char* kMsgFilterOrder = "The first date lies after the last one.";

struct LibrarySessionRow {
    int64_t sessionId = 0;
    std::array<std::string, kLibraryColumnCount> cells;
    bool personalBest = false;
    bool missing = false;
};

struct LibraryTrackRow {
    int64_t trackId = 0;
    bool named = false;
    std::array<std::string, kLibraryColumnCount> cells;
    std::vector<LibrarySessionRow> sessions;  // oldest first
};

// A track's caption: its name, or where it lies while it has none.
std::string TrackCaption(const LibraryTrack& track);

// One track with the sessions the filter kept.
LibraryTrackRow MakeTrackRow(const LibraryTrack& track,
                             const std::vector<LibrarySession>& sessions);

// What the page's filter boxes hold: dates as "yyyy/mm/dd" or empty for an
// open end, and the logger kind or kAnyLogger.
struct LibraryFilterTexts {
    std::string from;
    std::string to;
    std::string logger;
};

struct LibraryFilterParse {
    SessionFilter filter;
    std::string error;  // empty when the texts were understood
};

// The last day is included: a session that day is shown.
LibraryFilterParse ParseLibraryFilter(const LibraryFilterTexts& texts);

bool FilterIsEmpty(const SessionFilter& filter);

// Every track with its filtered sessions; with a filter set, a track left
// without a session is not listed.
std::vector<LibraryTrackRow> BuildLibraryTree(SessionLibrary& library, const SessionFilter& filter);

// The logger box: kAnyLogger, then the kinds the library holds.
std::vector<std::string> LoggerChoices(SessionLibrary& library);

inline constexpr int kLibraryLapColumnCount = 7;
// "Lap", "Lap time", "±", "Top speed", "Distance", "Sectors", "Kind".
extern const std::array<const char*, kLibraryLapColumnCount> kLibraryLapColumnTitles;

struct LibraryLapRow {
    int64_t lapId = 0;
    int number = 0;
    std::array<std::string, kLibraryLapColumnCount> cells;
    bool sessionBest = false;  // the session's fastest flying lap
};

std::vector<LibraryLapRow> MakeLapRows(const std::vector<LibraryLap>& laps);

// The progress chart's points from a track's personal-best history.
std::vector<ProgressPoint> ProgressPoints(const std::vector<BestPoint>& history);

}  // namespace qv
