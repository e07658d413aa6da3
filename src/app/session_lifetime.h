#pragma once
// The program's start and end around its Session, in their order. The
// window supplies the parts that run (playback, the device link); the rules
// of what comes first are here.

#include <functional>

#include "app/session.h"
#include "app/startup.h"
#include "core/prompter.h"
#include "laps/circuit_index.h"

namespace qv {

struct SessionStart {
    StartupResult startup;
    CircuitIndex circuits;  // searched by the circuit auto-selection and the find buttons
};

// The start-up on disk, then the circuit index of the user's folders, the
// lap-list header, the graph toggles from the settings and the play time at
// the start.
SessionStart StartSession(Session& session, const FolderSources& sources, Prompter& prompter,
                          TDateTime now);

struct RunningParts {
    std::function<void()> stopPlayback;
    std::function<void()> stopDeviceLink;
};

// Stops what runs, keeps the graph toggles in the settings, then writes the
// settings file and deletes the temporary lap files (when start-up made the
// folders). A settings file that cannot be written is told through
// `prompter`, so the user knows the changes are lost.
void ShutDownSession(Session& session, const StartupResult& startup, const RunningParts& parts,
                     Prompter& prompter);

}  // namespace qv
