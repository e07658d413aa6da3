#pragma once
// The progress chart of the Library page: a track's best lap per session
// over the dates, painted from its layout.

#include <QImage>
#include <QSize>
#include <vector>

#include "presentation/progress_chart.h"

namespace qv::ui {

class ProgressChartView {
  public:
    // Keeps the layout for LayoutShown.
    QImage Render(const std::vector<ProgressPoint>& points, QSize logical, qreal dpr);
    const ProgressChartLayout& LayoutShown() const { return layout_; }

  private:
    ProgressChartLayout layout_;
};

}  // namespace qv::ui
