#pragma once
// One of the two x-axis selectors beside the speed graph: the caption
// turned to run upwards, and a border that joins the selected one to the
// graph like a tab.

#include <QWidget>

namespace qv::ui {

class AxisSelector : public QWidget {
    Q_OBJECT

  public:
    enum class Edge { Dist, Time };
    AxisSelector(const QString& caption, Edge edge, QWidget* parent = nullptr);

    void SetSelected(bool selected);
    bool selected() const { return selected_; }

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString caption_;
    Edge edge_;
    bool selected_ = false;
};

}  // namespace qv::ui
