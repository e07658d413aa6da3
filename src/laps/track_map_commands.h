#pragma once
// The course map's circuit tool bar: open, find, generate from the laps in
// slots A and B, nudge, save and remove the track map. Each command returns
// whether the track map in memory changed, so the caller knows to repaint.

#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/prompter.h"
#include "core/records.h"
#include "core/stores.h"
#include "geometry/track_map.h"
#include "laps/circuit_index.h"

namespace qv {

inline constexpr const char* kTrackMapFilter = "Circuit files|*.pth";
inline constexpr const char* kTrackMapExtension = ".pth";
inline constexpr const char* kOpenTrackMapTitle = "Open track map";
inline constexpr const char* kSaveTrackMapTitle = "Save track map as...";
inline constexpr const char* kGenerateTrackMapTitle =
    "Convert trace(red, blue) to track map and save as...";
inline constexpr const char* kGenerateTrackMapQuestion =
    "Do you want to convert the \"Red\" and \"Blue\" lap data into a track map and save them? ";
// The nudge of one button press, in metres.
inline constexpr double kTrackMapNudgeM = 0.5;

enum class NudgeDirection { North, South, East, West };

// `SpeedButtonPathClick`. The chosen file, with its extension made ".pth",
// replaces the track map when it exists; its folder is remembered.
bool OpenTrackMap(TrackMapStore& trackMap, Folders& folders, Prompter& prompter);

// `SpeedButtonPathSaveClick`: only with a track map in memory. The file
// commands tell nothing when nothing was written (ok false, no error).
WriteResult SaveTrackMap(const TrackMapStore& trackMap, Folders& folders, Prompter& prompter);

// `SpeedButtonMkPthClick`: only with laps in slots A and B, after a Yes.
// The two traces, each closed by its first sample, go to a file; the track
// map in memory stays as it was.
WriteResult GenerateTrackMap(const std::vector<TLapDtRec>& slots, Folders& folders,
                             Prompter& prompter);
// The file's text: one block per lap.
std::string GeneratedTrackMapText(const TLapDtRec& red, const TLapDtRec& blue);

// `SpeedButtonNClick` ... `SpeedButtonWClick`: every point moves 0.5 m.
// East and west steps are measured at `centreLat`, the course map's centre.
bool NudgeTrackMap(TrackMapStore& trackMap, NudgeDirection direction, Float80 centreLat);

// `SpeedButtonClrPthClick`.
bool RemoveTrackMap(TrackMapStore& trackMap);

// `SpeedButtonSelCircuitClick`: the track maps near the reference lap's
// first sample. None is told; one is opened; among several `chooser` is
// shown the track-map list alone.
bool FindTrackMap(const std::vector<TLapDtRec>& slots, std::vector<TPthClnDat>& trackMapIndex,
                  TrackMapStore& trackMap, Folders& folders, Prompter& prompter,
                  CircuitChooser& chooser);

}  // namespace qv
