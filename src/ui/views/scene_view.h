#pragma once
// A view box: shows an image painted elsewhere in one copy, so it never
// flickers, and hands mouse events to whoever draws it.

#include <QImage>
#include <QWidget>
#include <functional>

namespace qv::ui {

class SceneView : public QWidget {
  public:
    explicit SceneView(const char* name, QWidget* parent = nullptr);

    void SetImage(QImage image);
    const QImage& Image() const { return image_; }
    QSize LogicalSize() const { return size(); }
    qreal PixelRatio() const { return devicePixelRatioF(); }

    std::function<void(Qt::MouseButton, QPoint)> onPress;
    std::function<void(QPoint)> onMove;
    std::function<void()> onLeave;
    std::function<void()> onResize;
    std::function<void()> onShow;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QImage image_;
};

}  // namespace qv::ui
