#pragma once
// The measured G channels of a MoTeC lap, put in place of the G that
// the slot computed from positions.

#include <filesystem>
#include <string>
#include <vector>

#include "core/records.h"

namespace qv {

struct MotecGColumns {
    int lateral = -1;
    int longitudinal = -1;
    // -1 when "Ground Speed" stands right of every "Vehicle Speed": such
    // exports give the longitudinal channel the other sign.
    int longitudinalSign = 1;
};
MotecGColumns FindMotecGColumns(const std::vector<std::string>& channelCells);

// Sample k takes the G of line data start + k, when that line has both
// cells; `XYG` becomes |lateral| + |longitudinal|. False, `lap` untouched,
// when the lines are not a MoTeC export with both G channels.
bool ApplyMotecG(const std::vector<std::string>& lines, TLapDtRec& lap);

// `LoadMotecGCsv` on the lap of a slot, with the file named in the row's
// column 7.
bool LoadMotecGCsv(std::vector<TLapDtRec>& slots, int slot, const std::filesystem::path& file);

}  // namespace qv
