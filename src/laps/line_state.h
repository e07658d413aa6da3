#pragma once
// The control line, or the start and finish lines, with the options of the
// log-block dialog. Kept between dialogs and logs.

#include <array>
#include <optional>

#include "core/ext80.h"

namespace qv {

struct LinePoint {
    Float80 lat = 0;
    Float80 lon = 0;
    bool operator==(const LinePoint&) const = default;
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
    // The control line as the open log brought it (see laps/log_line.h);
    // while `first` still equals it, the control line is the log's, not
    // the user's.
    std::optional<Line> logLine;
};

}  // namespace qv
