#include <gtest/gtest.h>

#include "geometry/gate_table_equality.h"

namespace qv {
namespace {

GateTable TwoGates() {
    GateTable table;
    table.SectGates[0] = {138.9L, 138.91L, 35.3L, 35.31L, 1};
    table.SectGates[1] = {138.95L, 138.96L, 35.32L, 35.33L, 2};
    table.SectCount = 2;
    return table;
}

TEST(GateTableEquality, EveryFieldOfAGateInUseCounts) {
    const GateTable base = TwoGates();
    EXPECT_TRUE(SameGateTable(base, TwoGates()));

    GateTable moved = base;
    moved.SectGates[1].Ido2 += 1e-9L;
    EXPECT_FALSE(SameGateTable(base, moved));
    GateTable swapped = base;
    std::swap(swapped.SectGates[0].Kdo1, swapped.SectGates[0].Kdo2);
    EXPECT_FALSE(SameGateTable(base, swapped));
    GateTable laterPass = base;
    laterPass.SectGates[0].PassNo = 2;
    EXPECT_FALSE(SameGateTable(base, laterPass));
    GateTable fewer = base;
    fewer.SectCount = 1;
    EXPECT_FALSE(SameGateTable(base, fewer));
}

TEST(GateTableEquality, LeftoversBeyondTheCountDoNotCount) {
    GateTable a = TwoGates();
    GateTable b = TwoGates();
    a.SectGates[3] = {1, 2, 3, 4, 1};
    EXPECT_TRUE(SameGateTable(a, b));
    a.SectCount = b.SectCount = 0;
    EXPECT_TRUE(SameGateTable(a, b));
    // A damaged count past the table's size compares the whole table only.
    a = b = TwoGates();
    a.SectCount = b.SectCount = 9;
    EXPECT_TRUE(SameGateTable(a, b));
    b.SectGates[3].Kdo1 = 5;
    EXPECT_FALSE(SameGateTable(a, b));
}

}  // namespace
}  // namespace qv
