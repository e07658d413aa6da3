#pragma once
// The commands that edit the sector gate table: set a gate at the cursor of
// the reference lap, adjust, remove, open and save. Each returns whether the
// gate table changed, in which case the caller runs the sector refresh.
// Every command but save does nothing while playback runs.

#include <filesystem>
#include <optional>
#include <vector>

#include "core/prompter.h"
#include "core/records.h"
#include "geometry/gate_adjust_view.h"
#include "geometry/gate_order.h"
#include "geometry/sector_gates.h"

namespace qv {

inline constexpr const char* kSectorFileFilter = "Sector files|*.sci";
inline constexpr const char* kSectorFileExtension = ".sci";
inline constexpr const char* kOpenSectorTitle = "Open sector";
inline constexpr const char* kSaveSectorTitle = "Save Sector as...";
inline constexpr int kPassNoMin = 1;
inline constexpr int kPassNoMax = 99;

struct GateEditState {
    // The gate last chosen for adjustment, preselected the next time; -1
    // once a gate has been set.
    int LastEditGate = -1;
};

// What the gate editing works on; `slotLaps[0]` is the reference lap.
struct GateEditContext {
    GateTable& gates;
    int& AlignGate;
    GateEditState& state;
    const std::vector<TLapDtRec>& slotLaps;
    bool playing = false;
};

// The reference lap where the play cursor stands.
struct GateCursor {
    Float80 CsIdo = 0;
    Float80 CsKdo = 0;
    Float80 CsDir = 0;     // logged heading
    Float80 CsGpsDir = 0;  // heading from positions, used for drift runs
};

// The dialogs of the gate commands, implemented by the window and by tests.
class GateDialogs {
  public:
    virtual ~GateDialogs() = default;
    // "Select sector gate": gates 0 .. count - 1 may be chosen, `preselected`
    // is selected. The choice, or nothing on Cancel.
    virtual std::optional<int> SelectEditGate(int count, int preselected) = 0;
    // "Adjust sector gate": the user drags and zooms `view`; the pass number
    // on OK, or nothing on Cancel.
    virtual std::optional<int> AdjustGate(GateAdjustView& view, int passNo) = 0;
    // "Remove sector gate" with the boxes of `count` gates; "All gates"
    // ticked at the start when `allTicked`.
    virtual std::optional<GateRemoval> SelectRemoveGates(int count, bool allTicked) = 0;
};

// A gate of 2 * halfLengthM metres across the reference lap at the cursor,
// counted at the pass the cursor is on. Nothing without a reference lap,
// with four gates, with the cursor at the lap start or at or past its last
// sample, or when the same gate exists.
bool SetSectGate(GateEditContext context, const GateCursor& cursor, Float80 playTime,
                 double halfLengthM);

// The gate preselected in the choice of a gate to adjust.
int PreselectedEditGate(int sectCount, int lastEditGate);

// Choice, adjustment on the enlarged map, and the new pass number. A gate
// whose end points share a longitude or a latitude is refused.
bool AdjustSectGate(GateEditContext context, GateDialogs& dialogs, double courseMapZoom);

// One gate is removed at once; with more the dialog chooses.
bool RemoveSectGates(GateEditContext context, GateDialogs& dialogs);

// After "Remove all lap data": the removal dialog with "All gates" ticked,
// even for a single gate. True when gates were removed.
bool RemoveGatesAfterClear(GateTable& gates, int& AlignGate, GateDialogs& dialogs);

// Replaces the gate table from a chosen .sci file and clears the alignment
// gate. `sectorFolder` is the folder the dialogs start in; it becomes the
// opened file's folder.
bool OpenSectGates(GateTable& gates, int& AlignGate, std::filesystem::path& sectorFolder,
                   Prompter& prompter, bool playing);

// Writes the gate table to a chosen file, made to end in ".sci"; an existing
// file is replaced only when the user answers Yes. Works during playback
// too; true when the file was written.
bool SaveSectGates(const GateTable& gates, const std::filesystem::path& sectorFolder,
                   Prompter& prompter);

}  // namespace qv
