#pragma once
// Lap data files into the lap list and into the lap slots.
//
// A lap file without a single record has no first or last sample to take
// the row's date, lap time and distance from, so every loader here refuses
// it silently, as it refuses a file that is not a lap file.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/records.h"
#include "laps/lap_session.h"

namespace qv {

struct LapFileAddResult {
    bool added = false;
    int lapNo = -1;     // the new row's lap number
    std::string error;  // the platform's message when reading or writing failed
};

// Appends a lap-list row for samples read from `path`: the samples go to
// the temporary lap file of lap LapNum, column 0 (and column 7 when
// `namesSourceFile`) is the file name without extension, then LapGroupNo
// rises. Nothing without samples.
LapFileAddResult AddSamplesToLapList(LapSession& session, const std::filesystem::path& path,
                                     const std::vector<TLapElmRec>& samples, Float80 topSpeed,
                                     bool namesSourceFile);

// Appends a lap-list row from a binary lap file: the samples go to the
// temporary lap file of lap LapNum, then LapGroupNo rises.
LapFileAddResult LoadLapFileToGrigBin(LapSession& session, const std::filesystem::path& path);

// The same from a .csvv text lap; the row's column 7 stays empty. Unlike a
// missing binary file, a text file that cannot be read reports the error.
LapFileAddResult LoadLapFileToGrig(LapSession& session, const std::filesystem::path& path);

// Positions carry no logged heading when the first sample's Dir is exactly
// 0, 180 or 360 (fixes of the log decoders have 0).
bool LapNeedsDirections(std::span<const TLapElmRec> samples);

// Travel directions from the positions (north 180, east 270, south 0, west
// 90); samples at or below 1.5 km/h are passed over.
void RecomputeLapDirections(std::span<TLapElmRec> samples);

// The lap as a slot holds it: statistics over all samples, directions
// recomputed when LapNeedsDirections, lap time, distance and mean speed.
// The mean speed is 0 for a lap of no duration.
TLapDtRec MakeLapDt(std::string dtName, std::vector<TLapElmRec> samples);

// Characters 5 to 8 of a 12-character file name ("temp0012.dtb" gives
// "0012"), otherwise empty.
std::string LapDtNameOf(const std::filesystem::path& path);

struct LapSlotLoadResult {
    bool loaded = false;
    int slot = -1;  // index into LapDt; 0 is slot A
    std::string error;
};

// Loads a lap file into the next free slot; nothing when all slots are
// taken or the file is no lap file with samples.
LapSlotLoadResult LoadLapFileBin(LapSession& session, const std::filesystem::path& path);

}  // namespace qv
