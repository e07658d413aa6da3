#pragma once
// The "Graph" page: the playback and toggle strips, the speed graph with
// its axis selectors and speed bar, the lower-left views with the sector
// labels, the course map with the slot labels. The views are painted by
// their own widgets; here they are plain white areas.

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/session.h"
#include "core/prompter.h"
#include "dynamics/detail_texts.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"
#include "ui/views/course_map_view.h"
#include "ui/views/course_overview_view.h"
#include "ui/views/drift_dial_view.h"
#include "ui/views/g_circle_view.h"
#include "ui/views/speed_bar_view.h"
#include "ui/views/speed_graph_view.h"

class QComboBox;
class QLabel;
class QMenu;
class QRadioButton;
class QSplitter;
class QTableView;
class QTabWidget;
class QToolButton;
class QWheelEvent;

namespace qv::ui {

class AxisSelector;
class CornerTableModel;
class GateCommands;
class SceneView;
class PlaybackController;
class TrackMapCommands;

class GraphPage : public QWidget {
    Q_OBJECT

  public:
    GraphPage(Session& session, PlaybackController& playback, Prompter& prompter,
              std::function<void(const StepList&)> runSteps, GateCommands& gateCommands,
              TrackMapCommands& trackMapCommands, QWidget* parent = nullptr);

    void ShowLabels(const DataLabels& labels);
    void ShowPlaying(bool playing);
    // The toggles and selectors as the presentation state holds them.
    void ShowToggles();
    void Repaint(StepKind kind);
    bool GTabShowing() const;
    // The corner table is out of date: rebuilt now if its tab shows, else
    // when it is next shown.
    void RefreshCorners();
    // Shows the toggles as they now are, then runs the steps of a command.
    void Run(const StepList& steps);

  protected:
    void wheelEvent(QWheelEvent* event) override;

  private:
    QWidget* BuildTopPanel();
    QWidget* BuildLeftPanel();
    QWidget* BuildDataPanel();
    QWidget* BuildCornerTab();
    void ShowCornerOrder();
    void GoToCornerOfRow(int row);
    QToolButton* ToolButton(const char* name, const QString& hint, QWidget* parent);
    QToolButton* TogglePanel(const char* name, const QString& text, const QString& hint,
                             QWidget* parent);
    void ClearGraph();
    void AlignAtGate();
    void KeepSplitter(QSplitter* splitter, bool vertical);
    SceneView* AddView(const char* name, QWidget* parent, std::optional<GraphView> exportAs,
                       StepKind repaint);
    void PaintView(SceneView* view);
    QImage Picture(GraphView view);
    void LeftClick(SceneView* view, QPoint at);
    void RightClick(GraphView view);
    void SavePicture();
    void HoverCourseMap(QPoint at);

    Session& session_;
    PlaybackController& playback_;
    Prompter& prompter_;
    std::function<void(const StepList&)> runSteps_;
    GateCommands& gateCommands_;
    TrackMapCommands& trackMapTools_;

    QToolButton* play_ = nullptr;
    std::array<QRadioButton*, 5> speeds_{};
    QToolButton* diffTm_ = nullptr;
    QToolButton* diffByPos_ = nullptr;
    QToolButton* xyg_ = nullptr;
    QComboBox* comboG_ = nullptr;
    QToolButton* altitude_ = nullptr;
    QToolButton* drift_ = nullptr;
    QToolButton* viewRdu_ = nullptr;
    QToolButton* viewCir_ = nullptr;
    AxisSelector* dist_ = nullptr;
    AxisSelector* time_ = nullptr;
    SceneView* spd_ = nullptr;
    SceneView* spdBar_ = nullptr;
    SceneView* course_ = nullptr;
    SceneView* gView_ = nullptr;
    SceneView* driftView_ = nullptr;
    SceneView* zoom_ = nullptr;
    QMenu* pictureMenu_ = nullptr;  // PopupMenu1
    CourseMapView courseMap_;
    CourseOverviewView courseOverview_;
    SpeedGraphView speedGraph_;
    SpeedBarView speedBar_;
    GCircleView gCircle_;
    DriftDialView driftDial_;
    QTabWidget* lowerTabs_ = nullptr;
    QLabel* playTm_ = nullptr;
    QLabel* zoomDist_ = nullptr;
    QLabel* gPosMsg_ = nullptr;
    std::array<QLabel*, 4> slotLabels_{};
    std::array<QLabel*, 4> sectLabels_{};
    QSplitter* splitter1_ = nullptr;
    QSplitter* splitter2_ = nullptr;
    QTableView* cornerGrid_ = nullptr;
    CornerTableModel* cornerModel_ = nullptr;
    bool cornersStale_ = true;
};

}  // namespace qv::ui
