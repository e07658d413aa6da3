#pragma once
// "Open track map" of the log-block dialog.

#include <string>

#include "core/prompter.h"
#include "core/stores.h"
#include "geometry/track_map.h"

namespace qv {

inline constexpr const char* kTrackMapOpenTitle = "Open track map";

struct OpenTrackMapResult {
    bool opened = false;
    std::string error;  // the platform's message, also shown
};

// Asks for a .pth file (initial folder the track-map folder); the name gets
// the extension .pth and must exist. The file replaces every loaded track
// path and its folder becomes the track-map folder.
OpenTrackMapResult SpeedButtonLdCourseClick(Prompter& prompter, TrackMapStore& trackMap,
                                            Folders& folders);

}  // namespace qv
