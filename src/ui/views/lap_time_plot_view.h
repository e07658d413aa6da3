#pragma once
// The lap-time plot of the Data page.

#include <QImage>
#include <QSize>
#include <string>
#include <vector>

namespace qv::ui {

class LapTimePlotView {
  public:
    QImage Render(const std::vector<double>& lapSeconds, const std::vector<std::string>& names,
                  QSize logical, qreal dpr) const;
};

}  // namespace qv::ui
