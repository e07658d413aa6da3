#include "app/corner_commands.h"

#include <algorithm>
#include <optional>

#include "presentation/corner_focus.h"

namespace qv {

CornerTable SlotCornerTable(const Session& session) {
    CornerTableOptions options;
    options.mode = session.align.diffMode;
    return BuildCornerTable(session.laps.LapDt, session.sectRes, session.gates.UsedCount(),
                            options);
}

bool GoToCorner(Session& session, const std::vector<Corner>& corners, int number, int BW, int BH) {
    if (session.laps.LapDtNum() == 0)
        return false;
    const auto corner = std::find_if(corners.begin(), corners.end(),
                                     [number](const Corner& c) { return c.number == number; });
    if (corner == corners.end())
        return false;
    const TLapDtRec& lapA = session.laps.LapDt[0];
    const std::optional<int> entry = SampleAtDistance(lapA, corner->entryM / 1000);
    const std::optional<int> apex = SampleAtDistance(lapA, corner->apexM / 1000);
    const std::optional<int> exit = SampleAtDistance(lapA, corner->exitM / 1000);
    if (!entry || !apex || !exit)
        return false;
    return SelectCorner(session.presentation, &lapA, CornerSpan{*entry, *apex, *exit}, BW, BH);
}

}  // namespace qv
