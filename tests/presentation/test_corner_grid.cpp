#include "presentation/corner_grid.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

CornerRow Row(int corner, int slot, long long lostMs) {
    CornerRow r;
    r.corner = corner;
    r.slot = slot;
    r.timeLostMs = lostMs;
    r.timeLostS = lostMs / 1000.0;
    return r;
}

// Three corners against slots B and C, in driving order; slot B loses
// most in T2, gains in T3; slot C ties with B in T1.
CornerTable Planted() {
    CornerTable table;
    for (int n = 1; n <= 3; ++n) {
        Corner c;
        c.number = n;
        table.corners.push_back(c);
    }
    table.rows = {Row(1, 1, 40),  Row(1, 2, 40),  Row(2, 1, 310),
                  Row(2, 2, -20), Row(3, 1, -90), Row(3, 2, 15)};
    table.totals = {Row(0, 1, 260), Row(0, 2, 35)};
    return table;
}

std::vector<std::string> Column(const CornerGrid& grid, int c) {
    std::vector<std::string> cells;
    for (const auto& row : grid.cells)
        cells.push_back(row[static_cast<size_t>(c)]);
    return cells;
}

TEST(CornerGrid, OrdersKeepTheTotalsLast) {
    using V = std::vector<std::string>;
    const struct {
        CornerOrder order;
        V times;
        std::vector<int> corners;
    } cases[] = {
        {CornerOrder::kDriving,
         V{"0.040", "0.040", "0.310", "-0.020", "-0.090", "0.015", "0.260", "0.035"},
         {1, 1, 2, 2, 3, 3, 0, 0}},
        {CornerOrder::kMostLost,
         V{"0.310", "0.040", "0.040", "0.015", "-0.020", "-0.090", "0.260", "0.035"},
         {2, 1, 1, 3, 2, 3, 0, 0}},
        {CornerOrder::kMostGained,
         V{"-0.090", "-0.020", "0.015", "0.040", "0.040", "0.310", "0.260", "0.035"},
         {3, 2, 3, 1, 1, 2, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.order));
        const CornerGrid grid = CornerGridOf(OrderedCornerTable(Planted(), c.order), {});
        ASSERT_GE(grid.timeLostColumn, 0);
        EXPECT_EQ(grid.header[static_cast<size_t>(grid.timeLostColumn)], "Time lost (s)");
        EXPECT_EQ(Column(grid, grid.timeLostColumn), c.times);
        EXPECT_EQ(grid.corner, c.corners);
        for (const auto& row : grid.cells)
            EXPECT_EQ(row.size(), grid.header.size());
    }
}

TEST(CornerGrid, EqualLossesKeepDrivingOrderBothWays) {
    for (CornerOrder order : {CornerOrder::kMostLost, CornerOrder::kMostGained}) {
        const CornerTable t = OrderedCornerTable(Planted(), order);
        const auto first = std::find_if(t.rows.begin(), t.rows.end(),
                                        [](const CornerRow& r) { return r.timeLostMs == 40; });
        ASSERT_NE(first, t.rows.end());
        EXPECT_EQ(first->slot, 1);
        EXPECT_EQ((first + 1)->slot, 2);
    }
}

TEST(CornerGrid, CellsAreTheCopyTextLineByLine) {
    const CornerTable table = OrderedCornerTable(Planted(), CornerOrder::kMostLost);
    const CornerGrid grid = CornerGridOf(table, {false, false});
    std::string rebuilt;
    auto line = [&rebuilt](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i)
            rebuilt += (i > 0 ? "\t" : "") + cells[i];
        rebuilt += "\r\n";
    };
    line(grid.header);
    for (const auto& row : grid.cells)
        line(row);
    EXPECT_EQ(rebuilt, CornerTableTabText(table, {false, false}));
    EXPECT_EQ(grid.cells.front()[0], "T2");
    EXPECT_EQ(grid.cells.back()[0], "Total");
}

TEST(CornerGrid, WithoutLapsOnlyTheHeader) {
    const CornerGrid grid = CornerGridOf(CornerTable{}, {});
    EXPECT_FALSE(grid.header.empty());
    EXPECT_TRUE(grid.cells.empty());
    EXPECT_TRUE(grid.corner.empty());
}

TEST(CornerGrid, HeaderClicks) {
    const struct {
        CornerOrder from;
        bool timeColumn;
        CornerOrder to;
    } cases[] = {
        {CornerOrder::kDriving, true, CornerOrder::kMostLost},
        {CornerOrder::kMostLost, true, CornerOrder::kMostGained},
        {CornerOrder::kMostGained, true, CornerOrder::kMostLost},
        {CornerOrder::kMostLost, false, CornerOrder::kDriving},
        {CornerOrder::kDriving, false, CornerOrder::kDriving},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextCornerOrder(c.from, c.timeColumn), c.to)
            << static_cast<int>(c.from) << " " << c.timeColumn;
}

}  // namespace
}  // namespace qv
