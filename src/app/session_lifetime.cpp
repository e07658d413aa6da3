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

void ShutDownSession(Session& session, const StartupResult& startup, const RunningParts& parts,
                     Prompter& prompter) {
    if (parts.stopPlayback)
        parts.stopPlayback();
    if (parts.stopDeviceLink)
        parts.stopDeviceLink();
    StoreGraphToggles(session.presentation, session.settings);
    if (!startup.tree.valid())
        return;
    const ShutdownResult end = ShutDown(startup.tree, session.settings);
    if (!end.settingsWritten.ok) {
        prompter.Inform(SettingsProblemText(startup.tree.programData / kSettingsFileName, false,
                                            end.settingsWritten.error),
                        MessageIcon::Error);
    }
}

}  // namespace qv
