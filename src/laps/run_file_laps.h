#pragma once
// A run file loaded straight into the lap list as one lap, without going
// through the fix store.

#include <filesystem>

#include "decode/run_file_decoder.h"
#include "laps/lap_file.h"
#include "laps/lap_session.h"

namespace qv {

// The records that pass (year from 1970, at most 2000 km/h, a date that
// exists) become one lap of samples: times from the first record, Dir 180
// (turned into travel directions when the lap is shown), distance summed,
// 8 satellites. For the motion variants Dir comes from the yaw sensor. A
// file of the wrong size, with a failed check value or without a passing
// record adds nothing; at most MaxLogItemNum samples are kept.
LapFileAddResult LoadRunFileToLapList(LapSession& session, const std::filesystem::path& path,
                                      RunFileVariant variant);

inline LapFileAddResult LoadLapFileToGrigBon(LapSession& session,
                                             const std::filesystem::path& path) {
    return LoadRunFileToLapList(session, path, RunFileVariant::Bon);
}
inline LapFileAddResult LoadLapFileToGrigBonZ(LapSession& session,
                                              const std::filesystem::path& path) {
    return LoadRunFileToLapList(session, path, RunFileVariant::Bonz);
}

}  // namespace qv
