#pragma once
// A cheap first test of a step against a line: CrossPoint needs to run
// only when the two ends of a step are not clearly on the same side of the
// line's extension, which skips nearly every step of a lap. The side is the
// cross product CrossPoint tests, taken in double precision relative to the
// line's first point; the margin lies far above its rounding error for lines
// shorter than a degree and far below CrossPoint's own tolerance, so the
// steps skipped are exactly those CrossPoint would refuse. Longer lines are
// always tested in full.

#include <cmath>

#include "geometry/plane.h"

namespace qv {

class LineSides {
  public:
    LineSides(Point2 a, Point2 b)
        : x0_(static_cast<double>(a.x)),
          y0_(static_cast<double>(a.y)),
          dx_(static_cast<double>(b.x - a.x)),
          dy_(static_cast<double>(b.y - a.y)),
          enabled_(std::fabs(dx_) < 1 && std::fabs(dy_) < 1) {}

    // x longitude, y latitude.
    double Side(double x, double y) const { return dx_ * (y - y0_) - dy_ * (x - x0_); }
    bool MayMeet(double side0, double side1) const {
        if (!enabled_)
            return true;
        return !((side0 > kMargin && side1 > kMargin) || (side0 < -kMargin && side1 < -kMargin));
    }

  private:
    static constexpr double kMargin = 1e-12;  // degrees squared
    double x0_, y0_, dx_, dy_;
    bool enabled_;
};

}  // namespace qv
