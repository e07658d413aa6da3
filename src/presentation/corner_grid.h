#pragma once
// The cells of the Graph page's corner table as the engine writes them for
// the copy, in the order the user chose; the total rows stay last.

#include <string>
#include <vector>

#include "dynamics/corner_table.h"

namespace qv {

enum class CornerOrder {
    kDriving,     // corner by corner, slots in order
    kMostLost,    // the largest loss first
    kMostGained,  // the largest gain first
};

// A click on a column's header: the time-lost column goes from the largest
// loss to the largest gain and back; any other column returns to driving
// order.
CornerOrder NextCornerOrder(CornerOrder current, bool timeLostColumn);

// `table` as built, in driving order, with its rows put in `order`.
CornerTable OrderedCornerTable(CornerTable table, CornerOrder order);

struct CornerGrid {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> cells;  // per row, as many as the header
    std::vector<int> corner;                      // per row; 0 on a total row
    int timeLostColumn = -1;                      // -1 when the header has none
};

// The table's copy text in `units` split into cells: what is shown is what
// is copied.
CornerGrid CornerGridOf(const CornerTable& table, CornerUnits units);

}  // namespace qv
