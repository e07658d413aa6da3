#include <gtest/gtest.h>

#include <QPainter>
#include <optional>

#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

QImage Render(const Scene& scene, qreal dpr = 1) {
    QImage image = NewViewImage(QSize(scene.width, scene.height), dpr);
    QPainter painter(&image);
    PaintScene(painter, scene);
    return image;
}

bool IsColour(const QImage& image, int x, int y, Rgb c) {
    return image.pixelColor(x, y) == QColor(c.r, c.g, c.b);
}

constexpr Rgb kRed{255, 0, 0};

TEST(ScenePainter, LinesKeepBothEndsRectsLoseRightAndBottom) {
    Scene scene{20, 20};
    scene.Add(SceneLine{{2, 3}, {10, 3}, kRed});
    scene.Add(SceneRect{4, 10, 8, 14, kRed});
    const QImage image = Render(scene);
    EXPECT_TRUE(IsColour(image, 2, 3, kRed));
    EXPECT_TRUE(IsColour(image, 10, 3, kRed));
    EXPECT_TRUE(IsColour(image, 11, 3, kWhite));
    EXPECT_TRUE(IsColour(image, 1, 3, kWhite));
    EXPECT_TRUE(IsColour(image, 4, 10, kRed));
    EXPECT_TRUE(IsColour(image, 7, 13, kRed));
    EXPECT_TRUE(IsColour(image, 8, 13, kWhite));
    EXPECT_TRUE(IsColour(image, 7, 14, kWhite));
}

TEST(ScenePainter, PolylineStepsTakeTheirOwnColourAndDots) {
    Scene scene{30, 10};
    scene.Add(ScenePolyline{{{0, 2}, {10, 2}, {29, 2}}, {kRed, kLowSatSilver}, 1, {false, true}});
    const QImage image = Render(scene);
    EXPECT_TRUE(IsColour(image, 5, 2, kRed));
    int silver = 0, white = 0;
    for (int x = 12; x < 28; ++x) {
        silver += IsColour(image, x, 2, kLowSatSilver);
        white += IsColour(image, x, 2, kWhite);
    }
    EXPECT_GE(silver, 6);
    EXPECT_GE(white, 6);
}

TEST(ScenePainter, HighDensityImagesKeepLogicalPositions) {
    Scene scene{20, 20};
    scene.Add(SceneLine{{5, 0}, {5, 19}, kRed});
    const QImage image = Render(scene, 2);
    EXPECT_EQ(image.width(), 40);
    EXPECT_TRUE(IsColour(image, 10, 20, kRed));
    EXPECT_TRUE(IsColour(image, 11, 20, kRed));
    EXPECT_TRUE(IsColour(image, 12, 20, kWhite));
}

TEST(ScenePainter, TextsFollowAnchorsBackgroundsAndClips) {
    const QtTextMetrics& metrics = ViewTextMetrics();
    SceneText centred{{50, 10}, "8888", kBlack, kViewFontSize, TextAnchor::kTopCentre};
    const QPoint topLeft = TextTopLeft(centred, metrics);
    EXPECT_EQ(topLeft.x(), 50 - metrics.Width("8888", kViewFontSize) / 2);
    EXPECT_EQ(topLeft.y(), 10);

    Scene scene{60, 60};
    SceneText up{{10, 50}, "8888", kBlack};
    up.upwards = true;
    up.background = kRed;
    up.clip = SceneClip{0, 40, 60, 60};
    scene.Add(up);
    const QImage image = Render(scene);
    const int h = metrics.Height("8888", kViewFontSize);
    // The background runs up from the anchor and stops at the clip.
    EXPECT_FALSE(IsColour(image, 10 + h / 2, 45, kWhite));
    EXPECT_TRUE(IsColour(image, 10 + h / 2, 38, kWhite));
    EXPECT_TRUE(IsColour(image, 9, 45, kWhite));
}

// Dots that repeat within a scatter, with other colours and items between
// them, paint what painting every item on its own in turn paints.
TEST(ScenePainter, RepeatedDotsPaintAsEveryItemInTurn) {
    constexpr Rgb kBlue{0, 0, 255};
    struct Case {
        const char* name;
        std::optional<Rgb> fill, outline;
        qreal dpr;
    };
    const Case cases[] = {
        {"outline", std::nullopt, kRed, 1},
        {"filled", kRed, std::nullopt, 1},
        {"filled with outline", kBlue, kRed, 1},
        {"outline, high density", std::nullopt, kRed, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene{40, 40};
        // Four passes: red dots, blue over the same places, red moved
        // along with a line across them, then red in one and four pixel
        // boxes.
        for (int pass = 0; pass < 4; ++pass) {
            for (int k = 0; k < 30; ++k) {
                const int x = (k * 7) % 31 + (pass == 2 ? 3 : 0), y = (k * 11) % 29;
                const int size = pass == 3 && k % 2 == 0 ? 1 : 4;
                SceneEllipse dot{x, y, x + size, y + size, c.fill, c.outline};
                if (pass == 1) {
                    if (dot.fill)
                        dot.fill = kBlue;
                    if (dot.outline)
                        dot.outline = kBlue;
                }
                scene.Add(dot);
                if (pass == 2 && k == 15)
                    scene.Add(SceneLine{{0, 20}, {39, 20}, kBlack, 3});
            }
        }
        QImage oneByOne = NewViewImage(QSize(40, 40), c.dpr);
        {
            QPainter painter(&oneByOne);
            for (const SceneItem& item : scene.items)
                PaintItems(painter, Scene{40, 40, kWhite, {item}});
        }
        EXPECT_EQ(Render(scene, c.dpr), oneByOne);
    }
}

}  // namespace
}  // namespace qv::ui
