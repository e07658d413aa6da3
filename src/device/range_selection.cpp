#include "device/range_selection.h"

#include <algorithm>

namespace qv {
namespace {

constexpr int kFullSectors = kRangeDivisions * kSectorsPerUnit;

// The scale's length in pixels: tick 0 at x 10, tick 8 at x w - 11.
int ScaleSpan(int w) {
    return w - 2 * kRangeScaleMargin - 1;
}

RangeTriangle Triangle(int x, int tipY, int direction, bool filled) {
    const int baseY = tipY + direction * kRangeTriangleHeight;
    return {
        {{{x, tipY}, {x - kRangeTriangleHalfWidth, baseY}, {x + kRangeTriangleHalfWidth, baseY}}},
        filled};
}

}  // namespace

RangeSelection MakeRangeSelection(int lastSector) {
    RangeSelection s;
    s.lastSector = std::clamp(lastSector, 0, kFullSectors);
    s.units = (s.lastSector + kSectorsPerUnit - 1) / kSectorsPerUnit;
    s.startUnit = 0;
    s.endUnit = s.units;
    return s;
}

int RangeDivisionX(int unit, int w) {
    return ScaleSpan(w) * unit / kRangeDivisions + kRangeScaleMargin;
}

RangeScaleGeometry LayoutRangeScale(const RangeSelection& selection, int w, int h) {
    RangeScaleGeometry g;
    g.frameLeft = kRangeScaleMargin;
    g.frameRight = w - kRangeScaleMargin;
    g.frameTop = h / 4;
    g.frameBottom = h * 3 / 4;
    for (int i = 0; i <= kRangeDivisions; ++i)
        g.tickX[i] = RangeDivisionX(i, w);
    g.tickTopFrom = g.frameTop - kRangeTickLength;
    g.tickTopTo = g.frameTop - 1;
    g.tickBottomFrom = g.frameBottom + 1;
    g.tickBottomTo = g.frameBottom + kRangeTickLength;
    g.usedLeft = g.frameLeft + 1;
    g.usedRight = ScaleSpan(w) * std::clamp(selection.lastSector, 0, kFullSectors) / kFullSectors +
                  kRangeScaleMargin;
    g.usedTop = g.frameTop + 1;
    g.usedBottom = g.frameBottom - 1;
    const int above = g.tickTopFrom - kRangeTriangleGap - 1;
    const int below = g.tickBottomTo + kRangeTriangleGap + 1;
    auto x = [w](int unit) { return RangeDivisionX(std::clamp(unit, 0, kRangeDivisions), w); };
    g.start = Triangle(x(selection.startUnit), above, -1, true);
    g.units = Triangle(x(selection.units), below, 1, false);
    g.end = Triangle(x(selection.endUnit), below, 1, true);
    return g;
}

int RangeClickDivision(int x, int w) {
    const int span = ScaleSpan(w);
    if (span <= 0 || x < kRangeScaleMargin)
        return -1;
    // The half-division (w - 21) / 16 is taken unrounded. Count the whole
    // half-divisions left of x and round an odd count up: a click on the right
    // half of a division goes to the line on its right, on the left half to the
    // line on its left, so it lands on the nearest line.
    int halves = (x - kRangeScaleMargin) * 2 * kRangeDivisions / span;
    if (halves % 2 != 0)
        ++halves;
    return halves / 2;
}

bool RangeScaleClick(RangeSelection& selection, int x, int y, int w, int h) {
    if (ScaleSpan(w) <= 0)
        return false;
    const RangeSelection before = selection;
    if (y <= h / 3) {
        if (x < kRangeScaleMargin) {
            selection.startUnit = 0;
        } else {
            const int division = RangeClickDivision(x, w);
            if (division >= 0 && division < selection.units) {
                selection.startUnit = division;
                if (selection.endUnit <= selection.startUnit)
                    selection.endUnit = selection.startUnit + 1;
            }
        }
    } else if (y >= h * 2 / 3 && x >= kRangeScaleMargin) {
        int division = RangeClickDivision(x, w);
        if (x >= w - kRangeScaleMargin - 1)
            division = selection.units == kRangeDivisions ? kRangeDivisions : -1;
        if (division >= 1 && division <= selection.units) {
            selection.endUnit = division;
            if (selection.startUnit >= selection.endUnit)
                selection.startUnit = selection.endUnit - 1;
        }
    }
    return selection.startUnit != before.startUnit || selection.endUnit != before.endUnit;
}

}  // namespace qv
