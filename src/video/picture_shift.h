#pragma once
// How far the scene moved sideways between two small grey pictures: the
// column profiles of their upper part are matched over a range of shifts,
// and the best shift refined below one pixel.

#include <cstdint>
#include <span>

namespace qv {

struct GreyPicture {
    std::span<const uint8_t> pixels;  // rows of `stride` bytes
    int width = 0;
    int height = 0;
    int stride = 0;
};

// The column means of the upper `upperShare` of the picture, as gradients
// (neighbour differences), so that a change of brightness moves nothing.
void ColumnProfile(const GreyPicture& picture, double upperShare, std::span<double> out);

// The luma plane of a decoded frame at full size: samples of one byte, or
// of two in the machine's byte order (deeper than 8 bits).
struct LumaPlane {
    const uint8_t* data = nullptr;
    int linesize = 0;  // bytes from one row to the next
    int width = 0;
    int height = 0;
    int bytesPerSample = 1;
};

// The profile ColumnProfile gives of the plane's top `rows` rows boxed down
// to `out.size()` columns, taken straight from the plane: each column is the
// mean of its group of plane columns over every `rowStep`th row.
void PlaneColumnProfile(const LumaPlane& plane, int rows, int rowStep, std::span<double> out);

// The shift in pixels (positive: the scene moved right) that best carries
// `before` onto `after`, at most `maxShift` either way; 0 when the profiles
// are shorter than the shift range allows.
double ProfileShift(std::span<const double> before, std::span<const double> after, int maxShift);

}  // namespace qv
