#pragma once
// The tab-separated texts that the copy commands put on the clipboard,
// cells as displayed, CR LF after every line.

#include <string>
#include <vector>

#include "core/stores.h"
#include "dynamics/sector_tables.h"

namespace qv {

// "Copy all data to clipboard" (`pmAllDtClick`): the header line, then
// every list row when the list is not empty. A header "Name(Unit)" stands
// for two spreadsheet columns, and so do the cells under it.
std::string AllLapDataClipboardText(const LapRow& header, const std::vector<LapRow>& rows);

// "Copy graph display data to clipboard" (`pmSelDtClick`): the header
// line, then for each slot in order the first row whose lap number (column
// 1) is the slot's `DtName`.
std::string SelLapDataClipboardText(const LapRow& header, const std::vector<LapRow>& rows,
                                    const std::vector<std::string>& slotNames);

// `pmSectDtClick`: headers "A/B" split in two, a leading "-" guarded by an
// apostrophe so that spreadsheets do not read a formula; cells lose the
// best-sector "*".
std::string SectDataClipboardText(const SectTable& table);

// `pmDriftDtClick`: headers split at "/" or "(", cells likewise.
std::string DriftDataClipboardText(const DriftTable& table);

}  // namespace qv
