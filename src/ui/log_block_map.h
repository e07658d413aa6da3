#pragma once
// The map of the log-block dialog: the traces kept in an off-screen image,
// the line layer painted over them, and the mouse forwarded to the line
// editor.

#include <QImage>
#include <QWidget>
#include <optional>

#include "laps/log_block_rules.h"

namespace qv {
struct LapSession;
}

namespace qv::ui {

class LogBlockMap : public QWidget {
    Q_OBJECT
  public:
    LogBlockMap(QWidget* parent, LapSession& session, LineEditor& editor, ViewRect& view);

    MapProjection Projection() const;
    // The traces or the view changed: the image is drawn again.
    void RedrawTraces();
    // What the lower layer holds now, drawn first when stale.
    const QImage& TraceImage();
    // A suggested control line to show until a line is set; nothing hides it.
    void ShowSuggestion(const std::optional<Line>& line);

  Q_SIGNALS:
    void CursorMoved(double lat, double lon);
    void LinesChanged();
    void ViewChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void UpdateCursorShape(const QPoint& at);

    LapSession& session_;
    LineEditor& editor_;
    ViewRect& view_;
    QImage traces_;
    bool tracesStale_ = true;
    std::optional<Line> suggestion_;
};

}  // namespace qv::ui
