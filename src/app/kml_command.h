#pragma once
// The KML button: the file choice and the write of the slots' traces.

#include <filesystem>
#include <string>

#include "app/session.h"
#include "core/prompter.h"

namespace qv {

struct KmlSaveResult {
    bool written = false;
    std::filesystem::path path;  // the file to show in the file browser afterwards
    std::string error;           // the platform's message when writing failed
};

// The command: asks for the file (the CSV folder is shared with it), writes
// the traces of the occupied slots. Nothing unless slot A holds a lap.
KmlSaveResult SpeedButtonGoogleEarthClick(Session& session, Prompter& prompter);

}  // namespace qv
