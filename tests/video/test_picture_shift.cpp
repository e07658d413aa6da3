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

// A plane whose column groups have known means over the rows read: within
// each group the columns differ but average to the group's level, and the
// rows that are not read (between the sampled ones and below the upper
// part) hold a level that would pull every mean off.
struct PlantedPlane {
    std::vector<uint8_t> bytes;
    LumaPlane plane;
};

template <typename Sample>
PlantedPlane Plant(const std::vector<int>& groupStarts, const std::vector<int>& levels, int rows,
                   int rowStep, int height, int padding, int unread) {
    const int width = groupStarts.back();
    PlantedPlane p;
    p.plane.width = width;
    p.plane.height = height;
    p.plane.bytesPerSample = static_cast<int>(sizeof(Sample));
    p.plane.linesize = (width + padding) * p.plane.bytesPerSample;
    p.bytes.assign(static_cast<size_t>(p.plane.linesize) * height, 0);
    for (int y = 0; y < height; ++y) {
        auto* row =
            reinterpret_cast<Sample*>(p.bytes.data() + static_cast<size_t>(y) * p.plane.linesize);
        const bool read = y < rows && y % rowStep == 0;
        for (size_t g = 0; g + 1 < groupStarts.size(); ++g) {
            const int from = groupStarts[g], to = groupStarts[g + 1];
            for (int x = from; x < to; ++x) {
                // ±3 on the first and last column of a group of two or more,
                // alternating by row: the group's mean is its level.
                int wiggle = 0;
                if (to - from >= 2 && (x == from || x == to - 1))
                    wiggle = ((x == from) == (y % 2 == 0)) ? 3 : -3;
                row[x] = static_cast<Sample>(read ? levels[g] + wiggle : unread);
            }
        }
        for (int x = width; x < width + padding; ++x)
            row[x] = static_cast<Sample>(unread);
    }
    p.plane.data = p.bytes.data();
    return p;
}

TEST(PlaneColumnProfile, GradientsOfTheColumnGroupMeansOverTheRowsRead) {
    struct Case {
        const char* name;
        bool wide;
        std::vector<int> groupStarts;  // as the width splits into the groups
        std::vector<int> levels;
        int rows, rowStep, height, padding, unread;
    };
    const std::vector<Case> cases = {
        {"even groups, every row", false, {0, 3, 6, 9, 12}, {10, 40, 25, 200}, 6, 1, 6, 0, 0},
        {"every third row of the upper part",
         false,
         {0, 3, 6, 9, 12},
         {10, 40, 25, 200},
         9,
         3,
         14,
         4,
         255},
        // 10 columns in 4 groups: 2, 3, 2 and 3 wide.
        {"uneven groups", false, {0, 2, 5, 7, 10}, {100, 90, 130, 20}, 4, 2, 5, 2, 250},
        {"two-byte samples", true, {0, 3, 6, 9, 12}, {900, 1000, 300, 1023}, 8, 2, 10, 1, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PlantedPlane p = c.wide ? Plant<uint16_t>(c.groupStarts, c.levels, c.rows, c.rowStep,
                                                        c.height, c.padding, c.unread)
                                      : Plant<uint8_t>(c.groupStarts, c.levels, c.rows, c.rowStep,
                                                       c.height, c.padding, c.unread);
        std::vector<double> out(c.levels.size(), 99.0);
        PlaneColumnProfile(p.plane, c.rows, c.rowStep, out);
        for (size_t g = 0; g + 1 < c.levels.size(); ++g)
            EXPECT_NEAR(out[g], c.levels[g + 1] - c.levels[g], 1e-9) << g;
        EXPECT_EQ(out.back(), 0);
    }
}

TEST(PlaneColumnProfile, OneColumnAGroupIsTheGreyPictureProfile) {
    const std::vector<uint8_t> picture = Picture(3.5, 10, 4);
    std::vector<double> grey(kWidth), plane(kWidth);
    ColumnProfile({picture, kWidth, kHeight, kWidth}, 0.5, grey);
    PlaneColumnProfile({picture.data(), kWidth, kWidth, kHeight, 1}, kHeight / 2, 1, plane);
    for (int x = 0; x < kWidth; ++x)
        EXPECT_DOUBLE_EQ(plane[static_cast<size_t>(x)], grey[static_cast<size_t>(x)]) << x;
}

TEST(PlaneColumnProfile, APlaneItCannotReadLeavesTheProfileEmpty) {
    std::vector<uint8_t> bytes(64 * 8, 77);
    struct Case {
        const char* name;
        LumaPlane plane;
        int rows, rowStep;
    } cases[] = {
        {"no data", {nullptr, 64, 64, 8, 1}, 4, 1},
        {"rows shorter than the width", {bytes.data(), 32, 64, 8, 1}, 4, 1},
        {"more rows than the plane", {bytes.data(), 64, 64, 8, 1}, 9, 1},
        {"no step", {bytes.data(), 64, 64, 8, 1}, 4, 0},
        {"three-byte samples", {bytes.data(), 64, 16, 8, 3}, 4, 1},
        {"one column", {bytes.data(), 64, 1, 8, 1}, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> out(16, 5.0);
        PlaneColumnProfile(c.plane, c.rows, c.rowStep, out);
        for (double v : out)
            EXPECT_EQ(v, 0);
    }
}

}  // namespace
}  // namespace qv
