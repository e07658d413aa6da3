#include "video/picture_shift.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace qv {

void ColumnProfile(const GreyPicture& picture, double upperShare, std::span<double> out) {
    const int width = std::min<int>(picture.width, static_cast<int>(out.size()));
    const int rows = std::clamp(static_cast<int>(std::lround(picture.height * upperShare)), 1,
                                std::max(picture.height, 1));
    std::fill(out.begin(), out.end(), 0.0);
    if (width <= 1 || picture.height <= 0 || picture.stride < width ||
        picture.pixels.size() < static_cast<size_t>(picture.stride) * (rows - 1) + width)
        return;
    std::vector<double> mean(static_cast<size_t>(width), 0.0);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.stride;
        for (int x = 0; x < width; ++x)
            mean[static_cast<size_t>(x)] += row[x];
    }
    for (int x = 0; x + 1 < width; ++x)
        out[static_cast<size_t>(x)] =
            (mean[static_cast<size_t>(x) + 1] - mean[static_cast<size_t>(x)]) / rows;
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
