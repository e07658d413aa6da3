#pragma once
// Circuit auto-selection: an index of the track maps, control lines and
// sector files on disk, each with one representative point, and the choice
// of the files near the driving of the open log.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/ext80.h"
#include "core/prompter.h"
#include "laps/cln_file.h"
#include "laps/lap_session.h"
#include "laps/line_state.h"

namespace qv {

inline constexpr Float80 kGapUnmeasured = 99.9L;  // km
inline constexpr Float80 kCircuitSearchKm = 5.0L;
inline constexpr const char* kMsgCircuitNotFound = "Track map and control line not found.";
inline constexpr const char* kCircuitDialogCaption =
    "Circuit - Track map, Control line, Sector gates";
inline constexpr const char* kCircuitNoneItem = "-- NONE --";

enum class CircuitFileKind { TrackMap, ControlLine, SectorGates };

// One indexed file.
struct TPthClnDat {
    std::string FilePath;
    std::string FileName;  // without folder and extension
    TDateTime FileCreationTime = 0;
    Float80 ido = 0;  // the representative point; 0 when the file has none
    Float80 kdo = 0;
    Float80 Gap = kGapUnmeasured;  // km from the current reference point
};

// One candidate: a file of an index near the reference point.
struct TSelCirDat {
    Float80 Gap = 0;
    TDateTime FileCreationTime = 0;
    int32_t NofArray = 0;  // index into the file's TPthClnDat index
    std::string Name;
};

struct CircuitIndex {
    std::vector<TPthClnDat> trackMaps;
    std::vector<TPthClnDat> controlLines;
    std::vector<TPthClnDat> sectorGates;
};

struct CircuitCandidates {
    std::vector<TSelCirDat> trackMaps;
    std::vector<TSelCirDat> controlLines;
    std::vector<TSelCirDat> sectorGates;
};

// ".pth", ".cln" or ".sci".
const char* CircuitFileExtension(CircuitFileKind kind);

// The representative point of a file's lines: for a track map the first
// line with two comma-separated values (longitude, latitude); for a sector
// file the same line, read in the file's own order (latitude, longitude);
// for a control line lines 1 and 2 (latitude, longitude) when the file has
// more than two lines. (0, 0) when there is none.
LinePoint RepresentativePoint(CircuitFileKind kind, const std::vector<std::string>& lines);

// The creation time of a file in local time (`localTimeBase` as in
// LoggerTimeToLocal): the birth time where the file system keeps one, else
// the modification time; nothing when neither can be read.
std::optional<TDateTime> FileCreationTimeOf(const std::filesystem::path& path,
                                            TDateTime localTimeBase);

// `BuildCircuitIndex`: every file below `folder` (subfolders included)
// whose extension, in lower case, is that of `kind`, in the order of a walk
// that visits each folder's entries sorted by name. Symbolic links to
// folders are not followed. `now` stands in for an unreadable creation time.
std::vector<TPthClnDat> BuildCircuitIndex(const std::filesystem::path& folder, CircuitFileKind kind,
                                          TDateTime localTimeBase, TDateTime now);

// The three indexes of start-up, from the track-map, control-line and
// sector folders.
CircuitIndex BuildCircuitIndexes(const Folders& folders, TDateTime localTimeBase, TDateTime now);

// `MeasureGaps`: km from (refLon, refLat) to every entry's point.
void MeasureGaps(std::vector<TPthClnDat>& index, Float80 refLon, Float80 refLat);

// `SelectCandidates`: the entries with Gap <= limit, nearest first and,
// among equal gaps, the newest file first.
std::vector<TSelCirDat> SelectCandidates(const std::vector<TPthClnDat>& index, Float80 limitKm);

// Measures all three indexes and selects the candidates of each.
CircuitCandidates SearchCandidates(CircuitIndex& index, Float80 refLon, Float80 refLat,
                                   Float80 limitKm);

// The items of one list of the circuit dialog: the candidates' names and
// "-- NONE --".
std::vector<std::string> CandidateItems(const std::vector<TSelCirDat>& candidates);

// Where the selected driving took place: the first fix of the last ticked
// run that holds active fixes. Nothing with fewer than two active fixes in
// ticked runs.
std::optional<LinePoint> LogReferencePoint(const LogStore& log);

// Loading a chosen file. Each fails, changing nothing, when the file can no
// longer be read; otherwise its folder becomes the remembered folder of its
// kind.
// The track map is replaced by the file's.
bool LoadTrackMapCandidate(const std::filesystem::path& path, TrackMapStore& trackMap,
                           Folders& folders);
// The file's lines replace the control line or the start and finish lines;
// the Rally option is switched off by a control-line file and left alone by
// a start/finish file. A file of no known form changes no line (kind None).
ClnReadResult LoadControlLineCandidate(const std::filesystem::path& path, LineState& lines,
                                       Folders& folders);
// The gate table is replaced by the file's gates.
bool LoadSectorCandidate(const std::filesystem::path& path, GateTable& gates, Folders& folders);

// The choice made in the circuit dialog: an index into each candidate list,
// nothing for "-- NONE --".
struct CircuitChoice {
    std::optional<int> trackMap;
    std::optional<int> controlLine;
    std::optional<int> sectorGates;
};

// The first candidate of each list: what the dialog preselects, and what
// is loaded when every list holds at most one.
CircuitChoice FirstCandidates(const CircuitCandidates& candidates);

// The circuit dialog, implemented by the window and by test scripts. It
// shows CandidateItems of the three lists with the first item of each
// selected.
class CircuitChooser {
  public:
    virtual ~CircuitChooser() = default;
    // The choice on OK, nothing on Cancel.
    virtual std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) = 0;
};

// One kind of file near a lap's start, as the main window's searches find
// it: the only candidate, or the one chosen among several in a circuit
// dialog that offers that kind's list alone.
enum class NearbyOutcome {
    NotFound,   // no file of the kind within the search radius
    Cancelled,  // the choice among several was cancelled or "-- NONE --"
    Missing,    // the chosen file is gone
    Chosen,
};
struct NearbyChoice {
    NearbyOutcome outcome = NearbyOutcome::NotFound;
    std::filesystem::path path;
};
NearbyChoice ChooseNearbyFile(std::vector<TPthClnDat>& index, CircuitFileKind kind, Float80 lon,
                              Float80 lat, CircuitChooser& chooser);

enum class SelCircuitOutcome {
    NotRun,            // automatic run with a track map or a line already present
    NoReferencePoint,  // fewer than two selected fixes
    NotFound,          // no track map or control line nearby
    Cancelled,         // the circuit dialog was cancelled
    Done,              // files chosen or loaded directly (possibly none)
};

struct SelCircuitResult {
    SelCircuitOutcome outcome = SelCircuitOutcome::NotRun;
    bool dialogShown = false;
    bool trackMapLoaded = false;  // the dialog's map needs redrawing
    bool controlLineLoaded = false;
    bool sectorGatesLoaded = false;  // the sector refresh must run
};

// `ReqSelCircuit`: the selection of the log-block dialog. `manual` is set by
// its "Find control line and track map" button and by a Yes to the closing
// question; the automatic run after the dialog opens leaves it clear and
// does nothing while a track map or a line is present. `candidates` holds
// the lists of this run afterwards.
SelCircuitResult ReqSelCircuit(LapSession& session, CircuitIndex& index,
                               CircuitCandidates& candidates, Prompter& prompter,
                               CircuitChooser& chooser, bool manual);

}  // namespace qv
