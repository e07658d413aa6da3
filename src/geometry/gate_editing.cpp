#include "geometry/gate_editing.h"

#include <algorithm>

#include "core/save_path.h"
#include "geometry/plane.h"
#include "geometry/sci_file.h"

namespace qv {
namespace {

bool SameGate(const SectGate& a, const SectGate& b) {
    return a.Kdo1 == b.Kdo1 && a.Kdo2 == b.Kdo2 && a.Ido1 == b.Ido1 && a.Ido2 == b.Ido2;
}

std::span<const TLapElmRec> ReferenceSamples(const std::vector<TLapDtRec>& slots) {
    if (slots.empty())
        return {};
    const TLapDtRec& lap = slots.front();
    const size_t n = std::min(lap.Elm.size(), static_cast<size_t>(std::max(lap.ElmNum, 0)));
    return std::span<const TLapElmRec>(lap.Elm.data(), n);
}

void OrderIfSeveral(GateEditContext& context) {
    if (context.gates.SectCount >= 2)
        SortGatesByPassage(context.gates, ReferenceSamples(context.slotLaps), context.AlignGate);
}

}  // namespace

bool SetSectGate(GateEditContext context, const GateCursor& cursor, Float80 playTime,
                 double halfLengthM) {
    if (context.playing || context.slotLaps.empty())
        return false;
    GateTable& gates = context.gates;
    const std::span<const TLapElmRec> samples = ReferenceSamples(context.slotLaps);
    if (gates.SectCount >= MaxSectGate || gates.SectCount < 0 || samples.empty())
        return false;
    if (playTime == 0 || !(playTime < Float80(samples.back().Sec)))
        return false;
    context.state.LastEditGate = -1;

    const Float80 heading = context.slotLaps.front().driftAct ? cursor.CsGpsDir : cursor.CsDir;
    const GateEnds ends = GatePoints(cursor.CsIdo, cursor.CsKdo, heading, halfLengthM);
    SectGate gate;
    gate.Kdo1 = ends.left.x;
    gate.Ido1 = ends.left.y;
    gate.Kdo2 = ends.right.x;
    gate.Ido2 = ends.right.y;
    for (int k = 0; k < gates.SectCount; ++k) {
        if (SameGate(gates.SectGates[static_cast<size_t>(k)], gate))
            return false;
    }
    gate.PassNo = CountPassNo(samples, gate, playTime);
    gates.SectGates[static_cast<size_t>(gates.SectCount)] = gate;
    ++gates.SectCount;
    OrderIfSeveral(context);
    return true;
}

int PreselectedEditGate(int sectCount, int lastEditGate) {
    if (lastEditGate >= 0 && lastEditGate < sectCount)
        return lastEditGate;
    return std::max(sectCount - 1, 0);
}

bool AdjustSectGate(GateEditContext context, GateDialogs& dialogs, double courseMapZoom) {
    GateTable& gates = context.gates;
    const int count = gates.UsedCount();
    if (context.playing || context.slotLaps.empty() || count < 1)
        return false;
    int chosen = 0;
    if (count > 1) {
        const std::optional<int> choice =
            dialogs.SelectEditGate(count, PreselectedEditGate(count, context.state.LastEditGate));
        if (!choice || *choice < 0 || *choice >= count)
            return false;
        chosen = *choice;
    }
    context.state.LastEditGate = chosen;

    SectGate& gate = gates.SectGates[static_cast<size_t>(chosen)];
    GateAdjustView view = OpenGateAdjustView(gate, courseMapZoom);
    const std::optional<int> passNo = dialogs.AdjustGate(view, gate.PassNo);
    if (!passNo || !AcceptableGate(view.work))
        return false;
    gate.Kdo1 = view.work.Kdo1;
    gate.Kdo2 = view.work.Kdo2;
    gate.Ido1 = view.work.Ido1;
    gate.Ido2 = view.work.Ido2;
    gate.PassNo = std::clamp(*passNo, kPassNoMin, kPassNoMax);
    OrderIfSeveral(context);
    return true;
}

bool RemoveSectGates(GateEditContext context, GateDialogs& dialogs) {
    const int count = context.gates.UsedCount();
    if (context.playing || count < 1)
        return false;
    GateRemoval removal;
    if (count == 1) {
        removal.allGates = true;
    } else {
        const std::optional<GateRemoval> chosen = dialogs.SelectRemoveGates(count, false);
        if (!chosen)
            return false;
        removal = *chosen;
        // Boxes of gates that do not exist are disabled in the dialog.
        for (size_t k = static_cast<size_t>(count); k < removal.ticked.size(); ++k)
            removal.ticked[k] = false;
    }
    RemoveGates(context.gates, context.AlignGate, removal);
    return true;
}

bool RemoveGatesAfterClear(GateTable& gates, int& AlignGate, GateDialogs& dialogs) {
    const int count = gates.UsedCount();
    if (count < 1)
        return false;
    std::optional<GateRemoval> removal = dialogs.SelectRemoveGates(count, true);
    if (!removal)
        return false;
    for (size_t k = static_cast<size_t>(count); k < removal->ticked.size(); ++k)
        removal->ticked[k] = false;
    RemoveGates(gates, AlignGate, *removal);
    return true;
}

bool OpenSectGates(GateTable& gates, int& AlignGate, std::filesystem::path& sectorFolder,
                   Prompter& prompter, bool playing) {
    if (playing)
        return false;
    FileDialogRequest request;
    request.title = kOpenSectorTitle;
    request.filter = kSectorFileFilter;
    request.initialFolder = sectorFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseOpenFile(request);
    if (!chosen)
        return false;
    std::filesystem::path path(*chosen);
    path.replace_extension(kSectorFileExtension);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    const SectReadResult read = ReadSectFile(path, gates);
    if (!read.ok) {
        prompter.Inform(read.error, MessageIcon::Error);
        return false;
    }
    sectorFolder = path.parent_path();
    AlignGate = 0;
    return true;
}

bool SaveSectGates(const GateTable& gates, const std::filesystem::path& sectorFolder,
                   Prompter& prompter) {
    if (gates.SectCount < 1)
        return false;
    FileDialogRequest request;
    request.title = kSaveSectorTitle;
    request.filter = kSectorFileFilter;
    request.initialFolder = sectorFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen)
        return false;
    // The file dialog does not ask about an existing file, so the question
    // is asked here for every name, once the extension is settled.
    const std::optional<std::filesystem::path> path =
        ConfirmSavePath(prompter, *chosen, kSectorFileExtension);
    if (!path)
        return false;
    const WriteResult written = WriteSectFile(*path, gates);
    if (!written.ok) {
        prompter.Inform(written.error, MessageIcon::Error);
        return false;
    }
    return true;
}

}  // namespace qv
