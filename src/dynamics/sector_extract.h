#pragma once
// Saving the part of a shown lap that lies in one sector as a lap data
// file: a double-click on the sector or drift table, or "Save sector data".

#include <string>
#include <vector>

#include "core/prompter.h"
#include "dynamics/sector_tables.h"
#include "geometry/sector_results.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kSaveSectorDataTitle = "Seva sector data as...";

// The samples of sector `k` of a lap whose gates were passed at the split
// times of `res`, re-based to start at time and distance 0 (sector 0 keeps
// the lap's own start). Interpolated records close a sector, and open one
// that does not start on a sample. Empty when the sector's start lies beyond
// the last sample.
std::vector<TLapElmRec> SectorSamples(const TLapDtRec& lap, const SectRes& res, int k,
                                      int sectCount);

struct SectorSaveResult {
    bool saved = false;
    std::string error;  // the platform's message when writing failed
};

// `ExtractSectorLap` for the current cell (`column`, `row`) of a table:
// rows 1..4 are slots A..D. The cell must hold text and its sector a time.
// A lap of a MoTeC CSV import is refused with the program's message.
SectorSaveResult ExtractSectorLap(LapSession& session, const std::array<SectRes, 4>& sectRes,
                                  const DetailTables& tables, DetailTableKind kind, int column,
                                  int row, Prompter& prompter);

}  // namespace qv
