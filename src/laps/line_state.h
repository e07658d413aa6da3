#pragma once
// The control line, or the start and finish lines, with the options of the
// log-block dialog. Kept between dialogs and logs.

#include <array>

#include "core/ext80.h"

namespace qv {

struct LinePoint {
    Float80 lat = 0;
    Float80 lon = 0;
};

using Line = std::array<LinePoint, 2>;

struct LineState {
    bool controlLineSet = false;
    bool startLineSet = false;
    bool finishLineSet = false;
    Line first;             // the control line, or the start line when start/finish is used
    Line finish;            // the finish line
    bool Rally = false;     // run start times rounded down to the whole minute
    bool ShowStop = false;  // stops drawn on the log-block map
    bool markerSet = false;
    LinePoint marker;
};

}  // namespace qv
