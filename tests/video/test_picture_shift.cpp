// The sideways shift between two small grey pictures, planted by moving a
// texture by known amounts.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "video/picture_shift.h"

namespace qv {
namespace {

constexpr int kWidth = 160, kHeight = 90;

// A smooth random texture wider than the picture, seen from column `pan`
// (fractions between columns interpolated), with `brightness` added and a
// fixed band at the bottom.
std::vector<uint8_t> Picture(double pan, double brightness, uint32_t noiseSeed) {
    static const std::vector<double> texture = [] {
        std::mt19937 random(3);
        std::uniform_real_distribution<double> level(20, 200);
        std::vector<double> coarse(80);
        for (double& c : coarse)
            c = level(random);
        std::vector<double> t(400);
        for (size_t x = 0; x < t.size(); ++x) {
            const double f = static_cast<double>(x) / 5;
            const size_t k = static_cast<size_t>(f);
            t[x] = coarse[k] + (f - static_cast<double>(k)) * (coarse[(k + 1) % 80] - coarse[k]);
        }
        return t;
    }();
    std::mt19937 random(noiseSeed);
    std::uniform_int_distribution<int> noise(-6, 6);
    std::vector<uint8_t> p(static_cast<size_t>(kWidth * kHeight));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double v = 90;
            if (y < kHeight / 2) {
                const double c = 100 + x + pan;
                const int c0 = static_cast<int>(std::floor(c));
                const double u = c - c0;
                v = (1 - u) * texture[static_cast<size_t>(c0)] +
                    u * texture[static_cast<size_t>(c0 + 1)] + 0.2 * y;
            }
            p[static_cast<size_t>(y * kWidth + x)] =
                static_cast<uint8_t>(std::clamp(v + brightness + noise(random), 0.0, 255.0));
        }
    }
    return p;
}

double ShiftBetween(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<double> pa(kWidth), pb(kWidth);
    ColumnProfile({a, kWidth, kHeight, kWidth}, 0.5, pa);
    ColumnProfile({b, kWidth, kHeight, kWidth}, 0.5, pb);
    return ProfileShift(pa, pb, 24);
}

TEST(PictureShift, FindsThePlantedShiftBelowOnePixel) {
    struct Case {
        double pan;  // the camera turns right: the scene moves left
        double brightness;
        double shift;
    } cases[] = {
        {0, 0, 0},      {3, 0, -3},         {-5, 0, 5}, {2.5, 0, -2.5},
        {-0.4, 0, 0.4}, {12.25, 0, -12.25}, {0, 25, 0}, {4, -20, -4},
    };
    for (const Case& c : cases) {
        const double found = ShiftBetween(Picture(0, 0, 1), Picture(c.pan, c.brightness, 2));
        EXPECT_NEAR(found, c.shift, 0.25) << "pan " << c.pan << " brightness " << c.brightness;
    }
}

TEST(PictureShift, ShiftsBeyondTheRangeOrTinyPicturesGiveNoAnswerOutside) {
    // A shift past the range is answered within the range, never beyond.
    const double far = ShiftBetween(Picture(0, 0, 1), Picture(40, 0, 2));
    EXPECT_LE(std::abs(far), 24.0);
    // Profiles too short for the range: nothing is read out of bounds.
    std::vector<double> a(10, 1.0), b(10, 2.0);
    EXPECT_EQ(ProfileShift(a, b, 24), 0);
    // A picture smaller than its stride promises leaves the profile empty.
    std::vector<uint8_t> small(100, 50);
    std::vector<double> profile(kWidth, 7.0);
    ColumnProfile({small, kWidth, kHeight, kWidth}, 0.5, profile);
    for (double v : profile)
        EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace qv
