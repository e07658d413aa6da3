#include "laps/find_sector_gates.h"

#include <filesystem>

namespace qv {

FindSectOutcome FindSectGates(const std::vector<TLapDtRec>& slots,
                              std::vector<TPthClnDat>& sectorIndex, GateTable& gates,
                              int& AlignGate, Folders& folders, Prompter& prompter,
                              CircuitChooser& chooser, bool playing) {
    if (playing || slots.empty() || slots.front().Elm.empty() || slots.front().ElmNum < 1)
        return FindSectOutcome::NotRun;
    const TLapElmRec& start = slots.front().Elm.front();
    MeasureGaps(sectorIndex, start.Kdo, start.Ido);
    CircuitCandidates candidates;
    candidates.sectorGates = SelectCandidates(sectorIndex, kCircuitSearchKm);
    if (candidates.sectorGates.empty()) {
        prompter.Inform(kMsgSectorNotFound, MessageIcon::Information);
        return FindSectOutcome::NotFound;
    }

    int chosen = 0;
    if (candidates.sectorGates.size() > 1) {
        const std::optional<CircuitChoice> choice = chooser.Choose(candidates);
        if (!choice || !choice->sectorGates || *choice->sectorGates < 0 ||
            *choice->sectorGates >= static_cast<int>(candidates.sectorGates.size()))
            return FindSectOutcome::Cancelled;
        chosen = *choice->sectorGates;
    }
    const int entry = candidates.sectorGates[static_cast<size_t>(chosen)].NofArray;
    if (entry < 0 || entry >= static_cast<int>(sectorIndex.size()))
        return FindSectOutcome::Missing;
    const std::filesystem::path path(sectorIndex[static_cast<size_t>(entry)].FilePath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || !LoadSectorCandidate(path, gates, folders))
        return FindSectOutcome::Missing;
    AlignGate = 0;
    return FindSectOutcome::Loaded;
}

}  // namespace qv
