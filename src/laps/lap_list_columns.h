#pragma once
// The header row of the lap list.

#include "core/settings.h"
#include "core/stores.h"

namespace qv {

// Column 5 and 6 headers follow the chosen units; columns 9 to 12 and 15 to
// 18 are named by the sector timing once gates exist.
LapRow LapListHeader(const Settings& settings);

}  // namespace qv
