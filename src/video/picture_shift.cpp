#include "video/picture_shift.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace qv {

namespace {

// Gradients of the column-group means of `rows` rows (every `rowStep`th),
// `groups` groups over `width` sample columns. The caller has checked that
// every row read lies inside the plane.
template <typename Sample>
void GroupProfile(const uint8_t* data, size_t linesize, int width, int rows, int rowStep,
                  int groups, std::span<double> out) {
    std::vector<uint64_t> sums(static_cast<size_t>(width), 0);
    int used = 0;
    for (int y = 0; y < rows; y += rowStep, ++used) {
        const auto* row = reinterpret_cast<const Sample*>(data + static_cast<size_t>(y) * linesize);
        for (int x = 0; x < width; ++x)
            sums[static_cast<size_t>(x)] += row[x];
    }
    std::vector<double> mean(static_cast<size_t>(groups));
    for (int g = 0; g < groups; ++g) {
        const int from = static_cast<int>(static_cast<int64_t>(g) * width / groups);
        const int to = static_cast<int>(static_cast<int64_t>(g + 1) * width / groups);
        uint64_t sum = 0;
        for (int x = from; x < to; ++x)
            sum += sums[static_cast<size_t>(x)];
        mean[static_cast<size_t>(g)] =
            static_cast<double>(sum) / (static_cast<double>(to - from) * used);
    }
    for (int g = 0; g + 1 < groups; ++g)
        out[static_cast<size_t>(g)] =
            mean[static_cast<size_t>(g) + 1] - mean[static_cast<size_t>(g)];
}

}  // namespace

void ColumnProfile(const GreyPicture& picture, double upperShare, std::span<double> out) {
    const int width = std::min<int>(picture.width, static_cast<int>(out.size()));
    const int rows = std::clamp(static_cast<int>(std::lround(picture.height * upperShare)), 1,
                                std::max(picture.height, 1));
    std::fill(out.begin(), out.end(), 0.0);
    if (width <= 1 || picture.height <= 0 || picture.stride < width ||
        picture.pixels.size() < static_cast<size_t>(picture.stride) * (rows - 1) + width)
        return;
    GroupProfile<uint8_t>(picture.pixels.data(), static_cast<size_t>(picture.stride), width, rows,
                          1, width, out);
}

void PlaneColumnProfile(const LumaPlane& plane, int rows, int rowStep, std::span<double> out) {
    std::fill(out.begin(), out.end(), 0.0);
    const int groups = std::min<int>(plane.width, static_cast<int>(out.size()));
    const bool wide = plane.bytesPerSample == 2;
    if (plane.data == nullptr || (plane.bytesPerSample != 1 && !wide) || groups <= 1 || rows < 1 ||
        rows > plane.height || rowStep < 1 || plane.linesize < plane.width * plane.bytesPerSample)
        return;
    const size_t linesize = static_cast<size_t>(plane.linesize);
    if (wide)
        GroupProfile<uint16_t>(plane.data, linesize, plane.width, rows, rowStep, groups, out);
    else
        GroupProfile<uint8_t>(plane.data, linesize, plane.width, rows, rowStep, groups, out);
}

double ProfileShift(std::span<const double> before, std::span<const double> after, int maxShift) {
    const int n = static_cast<int>(std::min(before.size(), after.size())) - 1;  // last is 0
    if (maxShift < 1 || n < 3 * maxShift)
        return 0;
    // Mean squared difference over the overlap for after[x + s] against before[x].
    std::vector<double> cost(static_cast<size_t>(2 * maxShift + 1));
    for (int s = -maxShift; s <= maxShift; ++s) {
        const int from = std::max(0, -s);
        const int to = std::min(n, n - s);
        double sum = 0;
        for (int x = from; x < to; ++x) {
            const double d = after[static_cast<size_t>(x + s)] - before[static_cast<size_t>(x)];
            sum += d * d;
        }
        cost[static_cast<size_t>(s + maxShift)] = sum / (to - from);
    }
    size_t best = 0;
    for (size_t k = 1; k < cost.size(); ++k) {
        if (cost[k] < cost[best])
            best = k;
    }
    double shift = static_cast<double>(best) - maxShift;
    if (best > 0 && best + 1 < cost.size()) {
        const double a = cost[best - 1], b = cost[best], c = cost[best + 1];
        const double curve = a - 2 * b + c;
        if (curve > std::numeric_limits<double>::epsilon())
            shift += 0.5 * (a - c) / curve;
    }
    return shift;
}

}  // namespace qv
