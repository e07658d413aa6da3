#include "app/session_lifetime.h"

#include "laps/lap_list_columns.h"
#include "presentation/toggles.h"

namespace qv {

SessionStart StartSession(Session& session, const FolderSources& sources, Prompter& prompter,
                          TDateTime now) {
    SessionStart start;
    start.startup = StartUp(sources, session.settings, session.folders, prompter);
    start.circuits = BuildCircuitIndexes(session.folders, session.LocalTimeBase, now);
    session.listHeader = LapListHeader(session.settings);
    ApplyGraphToggles(session.settings, session.presentation);
    session.presentation.playTime = 0;
    return start;
}

void ShutDownSession(Session& session, const StartupResult& startup, const RunningParts& parts) {
    if (parts.stopPlayback)
        parts.stopPlayback();
    if (parts.stopDeviceLink)
        parts.stopDeviceLink();
    StoreGraphToggles(session.presentation, session.settings);
    if (startup.tree.valid())
        ShutDown(startup.tree, session.settings);
}

}  // namespace qv
