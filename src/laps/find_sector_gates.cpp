#include "laps/find_sector_gates.h"

namespace qv {

FindSectOutcome FindSectGates(const std::vector<TLapDtRec>& slots,
                              std::vector<TPthClnDat>& sectorIndex, GateTable& gates,
                              int& AlignGate, Folders& folders, Prompter& prompter,
                              CircuitChooser& chooser, bool playing) {
    if (playing || slots.empty() || slots.front().Elm.empty() || slots.front().ElmNum < 1)
        return FindSectOutcome::NotRun;
    const TLapElmRec& start = slots.front().Elm.front();
    const NearbyChoice nearby =
        ChooseNearbyFile(sectorIndex, CircuitFileKind::SectorGates, start.Kdo, start.Ido, chooser);
    switch (nearby.outcome) {
        case NearbyOutcome::NotFound:
            prompter.Inform(kMsgSectorNotFound, MessageIcon::Information);
            return FindSectOutcome::NotFound;
        case NearbyOutcome::Cancelled:
            return FindSectOutcome::Cancelled;
        case NearbyOutcome::Missing:
            return FindSectOutcome::Missing;
        case NearbyOutcome::Chosen:
            break;
    }
    if (!LoadSectorCandidate(nearby.path, gates, folders))
        return FindSectOutcome::Missing;
    AlignGate = 0;
    return FindSectOutcome::Loaded;
}

}  // namespace qv
