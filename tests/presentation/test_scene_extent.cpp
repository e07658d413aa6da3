#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "presentation/scene_extent.h"

namespace qv {
namespace {

TEST(SceneExtent, HoldsEveryItemWithTwiceItsPenAndAPixel) {
    struct Case {
        std::string name;
        std::vector<SceneItem> items;
        std::optional<SceneClip> box;
    };
    ScenePolyline car;
    car.points = {{50, 40}, {34, 48}, {66, 60}, {50, 40}};
    car.colours.assign(3, kBlack);
    ScenePolyline wide = car;
    wide.width = 3;
    const std::vector<Case> cases = {
        {"nothing", {}, SceneClip{}},
        {"one-pixel line", {SceneLine{{10, 5}, {10, 200}, kBlack}}, SceneClip{7, 2, 14, 204}},
        {"wide dotted line",
         {SceneLine{{20, 30}, {40, 30}, kBlack, 2, true}},
         SceneClip{15, 25, 46, 36}},
        {"car outline", {car}, SceneClip{31, 37, 70, 64}},
        {"wide outline", {wide}, SceneClip{27, 33, 74, 68}},
        {"dot", {SceneEllipse{48, 38, 53, 43, kBlack, std::nullopt}}, SceneClip{45, 35, 56, 46}},
        {"ring of width 2",
         {SceneEllipse{0, 0, 11, 11, std::nullopt, kBlack, 2}},
         SceneClip{-5, -5, 16, 16}},
        {"rectangle", {SceneRect{5, 6, 9, 10, kBlack}}, SceneClip{2, 3, 12, 13}},
        {"polygon", {ScenePolygon{{{0, 0}, {8, 3}, {2, 9}}, kBlack}}, SceneClip{-3, -3, 12, 13}},
        {"items together",
         {SceneLine{{10, 5}, {10, 200}, kBlack}, SceneRect{5, 6, 9, 10, kBlack}},
         SceneClip{2, 2, 14, 204}},
        {"text", {MakeText({4, 4}, "12.3", kBlack)}, std::nullopt},
        {"text among shapes",
         {SceneRect{5, 6, 9, 10, kBlack}, MakeText({4, 4}, "12.3", kBlack)},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<SceneClip> box = SceneItemsExtent(c.items);
        ASSERT_EQ(box.has_value(), c.box.has_value());
        if (box) {
            EXPECT_EQ(*box, *c.box);
        }
    }
}

TEST(SceneExtent, FarPointsDoNotOverflow) {
    const std::optional<SceneClip> box =
        SceneItemsExtent({SceneLine{{-2147483647, 0}, {2147483647, 0}, kBlack}});
    ASSERT_TRUE(box.has_value());
    EXPECT_LT(box->left, 0);
    EXPECT_GT(box->right, 0);
}

}  // namespace
}  // namespace qv
