#include "app/analysis.h"

#include <algorithm>

#include "dynamics/alignment.h"
#include "dynamics/drift_angle.h"
#include "dynamics/drift_scan.h"
#include "dynamics/g_forces.h"
#include "dynamics/slot_commands.h"
#include "exchange/motec_g.h"
#include "geometry/sector_timing.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_columns.h"
#include "laps/lap_rows.h"
#include "laps/list_sector_columns.h"
#include "presentation/display_extremes.h"

namespace qv {
namespace {

Ranks3 Ranks(int32_t a, int32_t b, int32_t c) {
    return Ranks3{a, b, c};
}

// Sector timing and the drift scan of one occupied slot.
void TimeSlot(Session& session, size_t k) {
    if (session.gates.UsedCount() == 0)
        return;
    TLapDtRec& lap = session.laps.LapDt[k];
    CalcSectors(lap, session.gates, session.sectRes[k]);
    if (lap.driftAct)
        CalcSectorDrift(lap, session.gates, session.sectRes[k]);
}

}  // namespace

void RefreshLapList(Session& session) {
    LapStore& laps = session.laps;
    session.listMarks.laps = ComputeBestLapMarks(laps.LapList);
    LapRow header = LapListHeader(session.settings);
    const SectRanks sect = SetSectTmList(header, laps.LapRows, session.folders, session.gates);
    SetDriftAngleList(laps.LapRows, header, session.folders, session.gates, session.driftList);
    session.listHeader = header;
    const DriftRanks& drift = session.driftList.ranks;
    for (size_t j = 0; j < kMaxSectors; ++j) {
        session.listMarks.sectorTime[j] =
            Ranks(sect.SectRank1[j], sect.SectRank2[j], sect.SectRank3[j]);
        session.listMarks.sectorScore[j] =
            Ranks(drift.DrSectRank1[j], drift.DrSectRank2[j], drift.DrSectRank3[j]);
    }
    session.listMarks.driftScore = Ranks(drift.DrRank1, drift.DrRank2, drift.DrRank3);
}

void RefreshSlots(Session& session) {
    for (size_t k = 0; k < session.laps.LapDt.size(); ++k)
        TimeSlot(session, k);
    RefreshAlignment(session.laps.LapDt, session.sectRes, session.gates.UsedCount(),
                     session.presentation.playTime, session.align);
}

void RefreshAfterGateChange(Session& session) {
    RefreshSlots(session);
    RefreshLapList(session);
}

void MoveCursor(Session& session, Float80 playTime) {
    session.presentation.playTime = playTime;
    SampleAllSlots(session.laps.LapDt, playTime, session.align);
}

SlotChange ShowLapInSlot(Session& session, int row) {
    SlotChange change;
    LapStore& laps = session.laps;
    if (row < 1 || row > laps.LapNum() || laps.LapDtNum() >= LapStore::kMaxLapSlots)
        return change;
    const LapRow& cells = laps.LapRows[static_cast<size_t>(row - 1)];
    if (cells[1].empty())
        return change;
    const LapSlotLoadResult loaded =
        LoadLapFileBin(session, TempLapFilePath(session.folders, cells[1]));
    if (!loaded.loaded)
        return change;
    TLapDtRec& lap = laps.LapDt[static_cast<size_t>(loaded.slot)];
    SetDElm(lap);
    SetGElm(lap);
    const bool csvImport = IsCsvImportRow(cells);
    if (csvImport)
        LoadMotecGCsv(laps.LapDt, loaded.slot, cells[7]);
    WidenDisplayExtremes(session.presentation, lap, loaded.slot);
    change.kind = SlotChange::Kind::Loaded;
    change.slot = loaded.slot;
    change.csvImport = csvImport;
    // The other slots keep their sector results: the gates did not change.
    TimeSlot(session, static_cast<size_t>(loaded.slot));
    RefreshAlignment(laps.LapDt, session.sectRes, session.gates.UsedCount(),
                     session.presentation.playTime, session.align, loaded.slot >= 2);
    return change;
}

SlotChange StringGridLapDataDblClick(Session& session, int row, bool fromGraphButton) {
    SlotChange change;
    if (row == 0 && !fromGraphButton)
        return change;
    LapStore& laps = session.laps;
    if (row < 1 || row > laps.LapNum())
        return change;
    const std::string& lapNo = laps.LapRows[static_cast<size_t>(row - 1)][1];
    for (int slot = 0; slot < laps.LapDtNum(); ++slot) {
        if (!lapNo.empty() && laps.LapDt[static_cast<size_t>(slot)].DtName == lapNo) {
            const SlotRemoval removed =
                DelTrgDt(laps.LapDt, session.sectRes, session.gates.UsedCount(), slot,
                         session.presentation.playTime, session.align);
            if (!removed.removed)
                return change;
            // The sector results moved down with their laps and the
            // alignment is already recomputed.
            session.presentation.playTime = removed.playTime;
            RecomputeDisplayExtremes(session.presentation, laps.LapDt);
            change.kind = SlotChange::Kind::Removed;
            change.slot = slot;
            return change;
        }
    }
    return ShowLapInSlot(session, row);
}

std::vector<std::string> SlotNames(const Session& session) {
    std::vector<std::string> names;
    for (const TLapDtRec& lap : session.laps.LapDt)
        names.push_back(lap.DtName);
    return names;
}

std::array<SlotReadout, 4> SlotReadouts(const Session& session) {
    std::array<SlotReadout, 4> slots{};
    for (size_t k = 0; k < session.laps.LapDt.size() && k < slots.size(); ++k) {
        slots[k].lap = &session.laps.LapDt[k];
        slots[k].sectors = &session.sectRes[k];
        slots[k].cursorDistKm = session.align.cursor[k].CsDist;
        slots[k].cursorSpdKmh = session.align.cursor[k].CsSpd;
    }
    return slots;
}

}  // namespace qv
