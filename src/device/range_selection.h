#pragma once
// The QV3 range dialog `TLoadRangeSelDlg`: which 1-MiB units of the flash
// to download, the scale it paints and what a click on the scale changes.

#include <array>

namespace qv {

inline constexpr int kRangeDivisions = 8;     // 8 MiB of flash
inline constexpr int kSectorsPerUnit = 16;    // 64-KiB sectors in 1 MiB
inline constexpr int kRangeScaleMargin = 10;  // frame left, and w - 10 right
inline constexpr int kRangeTickLength = 4;
inline constexpr int kRangeTriangleGap = 1;  // between a tick end and a triangle's tip
inline constexpr int kRangeTriangleHeight = 7;
inline constexpr int kRangeTriangleHalfWidth = 5;

struct RangeSelection {
    int lastSector = 0;  // L, 0 to 128
    int units = 0;       // U = ceil(L / 16)
    int startUnit = 0;
    int endUnit = 0;
};

// The whole used range selected.
RangeSelection MakeRangeSelection(int lastSector);

struct RangePoint {
    int x = 0;
    int y = 0;
};

// Tip first, then the two base corners.
struct RangeTriangle {
    std::array<RangePoint, 3> corners;
    bool filled = false;
};

// Everything in pixels of a w x h box; ranges are inclusive.
struct RangeScaleGeometry {
    int frameLeft = 0;
    int frameRight = 0;
    int frameTop = 0;
    int frameBottom = 0;
    std::array<int, kRangeDivisions + 1> tickX{};
    int tickTopFrom = 0;  // the ticks above the frame
    int tickTopTo = 0;
    int tickBottomFrom = 0;  // and below it
    int tickBottomTo = 0;
    int usedLeft = 0;
    int usedRight = 0;  // below usedLeft when nothing is used
    int usedTop = 0;
    int usedBottom = 0;
    RangeTriangle start;  // above the frame
    RangeTriangle units;  // outline, below
    RangeTriangle end;    // below, painted over `units`
};

// The x of division `unit` (0 to 8) of the scale.
int RangeDivisionX(int unit, int w);

RangeScaleGeometry LayoutRangeScale(const RangeSelection& selection, int w, int h);

// The division line nearest to x, 0 or more; -1 left of the frame or when
// the box is too narrow to hold a scale. Right of the scale it runs past 8.
int RangeClickDivision(int x, int w);

// A click at (x, y) in a w x h box; true when the start or the end moved.
bool RangeScaleClick(RangeSelection& selection, int x, int y, int w, int h);

}  // namespace qv
