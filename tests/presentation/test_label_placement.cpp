#include "presentation/label_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

// " Start" (60 × 16) is drawn first, " End" (40 × 16) after it.
TEST(PlaceLabels, ALabelOverAnEarlierOneMovesBelowIt) {
    const struct {
        const char* name;
        LabelBox end;    // where " End" is wanted
        LabelBox moved;  // where it goes
    } cases[] = {
        {"same point", {100, 50, 40, 16}, {100, 66, 40, 16}},
        {"a pixel apart", {101, 51, 40, 16}, {101, 66, 40, 16}},
        {"left, covering the start", {70, 45, 40, 16}, {70, 66, 40, 16}},
        {"just right of the start", {160, 50, 40, 16}, {160, 50, 40, 16}},
        {"just below the start", {100, 66, 40, 16}, {100, 66, 40, 16}},
        {"far away", {300, 200, 40, 16}, {300, 200, 40, 16}},
    };
    const LabelBox start{100, 50, 60, 16};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<LabelBox> placed = PlaceLabels({start, c.end});
        ASSERT_EQ(placed.size(), 2u);
        EXPECT_EQ(placed[0], start);
        EXPECT_EQ(placed[1], c.moved);
        EXPECT_FALSE(Overlap(placed[0], placed[1]));
    }
}

// Moving below one label may put a label over another one placed before;
// it keeps going down until it covers none.
TEST(PlaceLabels, ThreeLabelsAtOnePointStack) {
    const std::vector<LabelBox> placed =
        PlaceLabels({{10, 10, 50, 12}, {10, 22, 50, 12}, {12, 12, 30, 12}});
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[1].y, 22);
    EXPECT_EQ(placed[2].y, 34);
    for (size_t a = 0; a < placed.size(); ++a)
        for (size_t b = a + 1; b < placed.size(); ++b)
            EXPECT_FALSE(Overlap(placed[a], placed[b])) << a << " " << b;
}

}  // namespace
}  // namespace qv
