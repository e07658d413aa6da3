#pragma once
// The KML button: the file choice and the write of the slots' traces.

#include <filesystem>
#include <string>

#include "app/session.h"
#include "core/prompter.h"
#include "core/save_path.h"

namespace qv {

// `path` is the file to show in the file browser afterwards.
using KmlSaveResult = SaveFileResult;

// The command: asks for the file (the CSV folder is shared with it), writes
// the traces of the occupied slots. Nothing unless slot A holds a lap.
KmlSaveResult SpeedButtonGoogleEarthClick(Session& session, Prompter& prompter);

}  // namespace qv
