#include "presentation/corner_grid.h"

#include <algorithm>
#include <string_view>

namespace qv {
namespace {

constexpr std::string_view kTimeLostHeader = "Time lost";

std::vector<std::string> SplitCells(std::string_view line) {
    std::vector<std::string> cells;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        cells.emplace_back(line.substr(from, tab == std::string_view::npos ? tab : tab - from));
        if (tab == std::string_view::npos)
            return cells;
        from = tab + 1;
    }
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        from = end + 1;
    }
    return lines;
}

}  // namespace

CornerOrder NextCornerOrder(CornerOrder current, bool timeLostColumn) {
    if (!timeLostColumn)
        return CornerOrder::kDriving;
    return current == CornerOrder::kMostLost ? CornerOrder::kMostGained : CornerOrder::kMostLost;
}

CornerTable OrderedCornerTable(CornerTable table, CornerOrder order) {
    switch (order) {
        case CornerOrder::kDriving:
            break;
        case CornerOrder::kMostLost:
            SortByTimeLost(table);
            break;
        case CornerOrder::kMostGained:
            // Not the loss order reversed: equal times keep driving order.
            std::stable_sort(
                table.rows.begin(), table.rows.end(),
                [](const CornerRow& x, const CornerRow& y) { return x.timeLostMs < y.timeLostMs; });
            break;
    }
    return table;
}

CornerGrid CornerGridOf(const CornerTable& table, CornerUnits units) {
    CornerGrid grid;
    const std::string text = CornerTableTabText(table, units);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty())
        return grid;
    grid.header = SplitCells(lines[0]);
    for (size_t c = 0; c < grid.header.size(); ++c) {
        if (grid.header[c].starts_with(kTimeLostHeader)) {
            grid.timeLostColumn = static_cast<int>(c);
            break;
        }
    }
    std::vector<int> corners;
    for (const CornerRow& r : table.rows)
        corners.push_back(r.corner);
    for (size_t k = 0; k < table.totals.size(); ++k)
        corners.push_back(0);
    for (size_t i = 1; i < lines.size() && i - 1 < corners.size(); ++i) {
        std::vector<std::string> cells = SplitCells(lines[i]);
        cells.resize(grid.header.size());
        grid.cells.push_back(std::move(cells));
        grid.corner.push_back(corners[i - 1]);
    }
    return grid;
}

}  // namespace qv
