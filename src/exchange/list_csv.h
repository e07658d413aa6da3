#pragma once
// The lap list as comma-separated text, as "Save list as CSV file" writes it.

#include <string>
#include <vector>

#include "core/stores.h"

namespace qv {

// A header cell "Name(Unit)" becomes the two fields "Name" and "Unit"; the
// cells under it split the same way at "(" (or gain an empty field).
// Lines end in CR LF.
std::string ListCsvText(const LapRow& header, const std::vector<LapRow>& rows);

}  // namespace qv
