#include "ui/graph_page.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <memory>

#include "app/corner_commands.h"
#include "app/gate_buttons.h"
#include "app/startup.h"
#include "presentation/g_view.h"
#include "presentation/graph_reset.h"
#include "presentation/input_rules.h"
#include "presentation/refresh_sequence.h"
#include "presentation/speed_graph.h"
#include "presentation/toggles.h"
#include "presentation/window_rules.h"
#include "presentation/zoom_commands.h"
#include "ui/axis_selector.h"
#include "ui/corner_table_model.h"
#include "ui/engine_text.h"
#include "ui/gate_commands.h"
#include "ui/grid_cell_delegate.h"
#include "ui/playback_controller.h"
#include "ui/readout_box.h"
#include "ui/track_map_commands.h"
#include "ui/video_panel.h"
#include "ui/views/picture_export.h"
#include "ui/views/scene_painter.h"
#include "ui/views/scene_view.h"
#include "ui/window_fonts.h"

namespace qv::ui {
namespace {

constexpr int kTopPanelHeight = 225;
constexpr int kLeftPanelWidth = 455;
constexpr int kToolStripHeight = 26;
constexpr int kLabelPanelHeight = 71;
// Drawn for a narrow face at 15 px; the common desktop faces need less to
// keep a whole read-out line on the panel.
constexpr int kLabelFontPx = 15;
constexpr int kFallbackLabelFontPx = 13;

// A strip of buttons over the white panels, in the system's button face.
void ButtonFace(QWidget* strip) {
    strip->setAutoFillBackground(true);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    strip->setPalette(palette);
}

// The views are framed so that their areas show while they are empty.
class FramedView : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(QColor(192, 192, 192));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QWidget* WhiteView(const char* name, QWidget* parent) {
    auto* view = new FramedView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, Qt::white);
    view->setPalette(palette);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return view;
}

// The label in its box; the box goes into the layout.
QLabel* ReadoutLabel(const QString& name, const QString& hint, QWidget* parent) {
    QLabel* label = (new ReadoutBox(parent))->Label();
    label->setText(QStringLiteral("."));
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setFont(TahomaFont(kLabelFontPx, kFallbackLabelFontPx));
    return label;
}

// Runs `pressed` when the mouse goes down on the watched widget.
class PressWatch : public QObject {
  public:
    PressWatch(QObject* parent, std::function<void()> pressed)
        : QObject(parent), pressed_(std::move(pressed)) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            pressed_();
        return false;
    }

  private:
    std::function<void()> pressed_;
};

QRect ScreenRectOf(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

ScreenRect ToScreenRect(const QRect& r) {
    return ScreenRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

GraphPage::GraphPage(Session& session, PlaybackController& playback, Prompter& prompter,
                     std::function<void(const StepList&)> runSteps, GateCommands& gateCommands,
                     TrackMapCommands& trackMapCommands, QWidget* parent)
    : QWidget(parent),
      session_(session),
      playback_(playback),
      prompter_(prompter),
      runSteps_(std::move(runSteps)),
      gateCommands_(gateCommands),
      trackMapTools_(trackMapCommands) {
    setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    splitter1_ = new QSplitter(Qt::Vertical, this);
    splitter1_->setObjectName(QStringLiteral("Splitter1"));
    splitter1_->setChildrenCollapsible(false);
    splitter1_->addWidget(BuildTopPanel());
    splitter2_ = new QSplitter(Qt::Horizontal, splitter1_);
    splitter2_->setObjectName(QStringLiteral("Splitter2"));
    splitter2_->setChildrenCollapsible(false);
    splitter2_->addWidget(BuildLeftPanel());
    splitter2_->addWidget(BuildDataPanel());
    splitter1_->addWidget(splitter2_);
    splitter1_->setStretchFactor(1, 1);
    splitter2_->setStretchFactor(1, 1);
    splitter1_->setSizes({kTopPanelHeight, 500});
    splitter2_->setSizes({kLeftPanelWidth, 500});
    KeepSplitter(splitter1_, true);
    KeepSplitter(splitter2_, false);
    layout->addWidget(splitter1_);
    pictureMenu_ = new QMenu(this);
    pictureMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* save = pictureMenu_->addAction(tr("Save graph as &PNG file"));
    save->setObjectName(QStringLiteral("pmJPEG"));
    connect(save, &QAction::triggered, this, [this] { SavePicture(); });
    ShowToggles();
}

QToolButton* GraphPage::ToolButton(const char* name, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* GraphPage::TogglePanel(const char* name, const QString& text, const QString& hint,
                                    QWidget* parent) {
    QToolButton* button = ToolButton(name, hint, parent);
    button->setText(text);
    button->setCheckable(true);
    button->setAutoRaise(false);
    return button;
}

QWidget* GraphPage::BuildTopPanel() {
    auto* panel = WhiteView("Panel1", this);
    panel->setMinimumHeight(132);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);

    auto* tool = new QWidget(panel);
    tool->setObjectName(QStringLiteral("PanelTool"));
    tool->setFixedHeight(kToolStripHeight);
    ButtonFace(tool);
    auto* strip = new QHBoxLayout(tool);
    strip->setContentsMargins(2, 0, 2, 0);
    strip->setSpacing(1);
    const QStyle* look = style();

    QToolButton* reset = ToolButton("SpeedButtonReset", QStringLiteral("Clear grapg"), tool);
    reset->setIcon(look->standardIcon(QStyle::SP_DialogResetButton));
    connect(reset, &QToolButton::clicked, this, &GraphPage::ClearGraph);
    QToolButton* toStart =
        ToolButton("SpeedButtonToStart", QStringLiteral("Reset play time"), tool);
    toStart->setIcon(look->standardIcon(QStyle::SP_MediaSkipBackward));
    connect(toStart, &QToolButton::clicked, this, [this] { playback_.ToStart(); });
    play_ = ToolButton("SpeedButtonPlay", QStringLiteral("Play/Pause (Space bar)"), tool);
    connect(play_, &QToolButton::clicked, this, [this] { playback_.PlayPause(); });
    QToolButton* fwd =
        ToolButton("SpeedButtonFWD", QStringLiteral("Forward frame ( \"F\"key )"), tool);
    fwd->setIcon(look->standardIcon(QStyle::SP_MediaSeekForward));
    connect(fwd, &QToolButton::clicked, this, [this] { playback_.Forward(); });
    QToolButton* bwd =
        ToolButton("SpeedButtonBWD", QStringLiteral("Backward frame ( \"B\" key )"), tool);
    bwd->setIcon(look->standardIcon(QStyle::SP_MediaSeekBackward));
    connect(bwd, &QToolButton::clicked, this, [this] { playback_.Backward(); });
    for (QToolButton* b : {reset, toStart, play_, fwd, bwd})
        strip->addWidget(b);
    ShowPlaying(false);
    strip->addSpacing(6);

    static constexpr const char* kSpeedNames[] = {
        "RadioButtonX05", "RadioButtonX1", "RadioButtonX2", "RadioButtonX4", "RadioButtonX8"};
    static constexpr const char* kSpeedCaptions[] = {"/2", "x1", "x2", "x4", "x8"};
    static constexpr const char* kSpeedHints[] = {
        "x1/2 Play speed", "x1 Play speed", "x2 Play speed", "x4 Play speed", "x8 Play speed"};
    auto* speedGroup = new QButtonGroup(tool);
    for (int k = 0; k < kPlaySpeedCount; ++k) {
        auto* radio = new QRadioButton(QString::fromLatin1(kSpeedCaptions[k]), tool);
        radio->setObjectName(QString::fromLatin1(kSpeedNames[k]));
        radio->setToolTip(QString::fromLatin1(kSpeedHints[k]));
        radio->setFocusPolicy(Qt::NoFocus);
        speedGroup->addButton(radio, k);
        speeds_[static_cast<size_t>(k)] = radio;
        strip->addWidget(radio);
    }
    connect(speedGroup, &QButtonGroup::idClicked, this,
            [this](int id) { session_.presentation.playSpeed = static_cast<PlaySpeed>(id); });
    strip->addSpacing(6);

    gateCommands_.AddButtons(tool, strip);
    strip->addSpacing(6);

    diffTm_ = TogglePanel("PanelDiffTm", QStringLiteral("\u0394t"),
                          QStringLiteral("Show/Hide Compare time"), tool);
    connect(diffTm_, &QToolButton::clicked, this,
            [this] { Run(ToggleTimeDiff(session_.presentation)); });
    diffByPos_ = TogglePanel("PanelDiffByPos", QStringLiteral("\u0394t by position"),
                             QStringLiteral("\u0394t by position"), tool);
    connect(diffByPos_, &QToolButton::clicked, this,
            [this] { Run(ToggleDiffByPosition(session_.presentation, session_.align)); });
    xyg_ = TogglePanel("PanelXYG", QStringLiteral("G"), QStringLiteral("Show/Hide G-graph"), tool);
    connect(xyg_, &QToolButton::clicked, this,
            [this] { Run(ToggleGGraph(session_.presentation)); });
    comboG_ = new QComboBox(tool);
    comboG_->setObjectName(QStringLiteral("ComboBoxG"));
    comboG_->setToolTip(tr("Select G-graph item"));
    comboG_->addItems({QStringLiteral("X+Y G"), QStringLiteral("X G"), QStringLiteral("Y G")});
    comboG_->setFocusPolicy(Qt::NoFocus);
    connect(comboG_, &QComboBox::activated, this, [this](int item) {
        Run(SelectGGraphItem(session_.presentation, static_cast<GGraphItem>(item)));
    });
    altitude_ = TogglePanel("PanelAltitude", QStringLiteral("Elv"),
                            QStringLiteral("Show/Hide elevation"), tool);
    connect(altitude_, &QToolButton::clicked, this,
            [this] { Run(ToggleElevation(session_.presentation)); });
    QToolButton* distOfs =
        ToolButton("SpeedButtonDistOfs", QStringLiteral("Adjust x-axis at sector gate"), tool);
    distOfs->setText(tr("|\u2194|"));
    connect(distOfs, &QToolButton::clicked, this, &GraphPage::AlignAtGate);
    drift_ = TogglePanel("PanelDrift", QStringLiteral("Drift"),
                         QStringLiteral("Show/Hide DRIFT angle"), tool);
    connect(drift_, &QToolButton::clicked, this,
            [this] { Run(ToggleDriftAngle(session_.presentation)); });
    strip->addWidget(diffTm_);
    strip->addWidget(diffByPos_);
    strip->addWidget(xyg_);
    strip->addWidget(comboG_);
    strip->addWidget(altitude_);
    strip->addWidget(distOfs);
    strip->addWidget(drift_);
    strip->addStretch(1);
    auto* version = new QLabel(QString::fromLatin1(kVersionText), tool);
    version->setObjectName(QStringLiteral("LabelVersion"));
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    strip->addWidget(version);
    column->addWidget(tool);

    auto* graphRow = new QHBoxLayout;
    graphRow->setSpacing(0);
    auto* axis = new QWidget(panel);
    axis->setObjectName(QStringLiteral("Panel3"));
    axis->setFixedWidth(27);
    ButtonFace(axis);
    auto* axisColumn = new QVBoxLayout(axis);
    axisColumn->setContentsMargins(0, 0, 0, 0);
    axisColumn->setSpacing(0);
    dist_ = new AxisSelector(QStringLiteral("Dist"), AxisSelector::Edge::Dist, axis);
    dist_->setObjectName(QStringLiteral("PanelDist"));
    dist_->setToolTip(tr("Distance"));
    time_ = new AxisSelector(QStringLiteral("Time"), AxisSelector::Edge::Time, axis);
    time_->setObjectName(QStringLiteral("PanelTime"));
    time_->setToolTip(tr("Time"));
    connect(dist_, &AxisSelector::clicked, this,
            [this] { Run(SelectXAxis(session_.presentation, XAxisMode::kDistance)); });
    connect(time_, &AxisSelector::clicked, this,
            [this] { Run(SelectXAxis(session_.presentation, XAxisMode::kTime)); });
    QToolButton* spdZin = ToolButton("SpeedButtonSpdZin", QStringLiteral("Zoom in x-axis"), axis);
    spdZin->setText(QStringLiteral("+"));
    QToolButton* spdZout =
        ToolButton("SpeedButtonSpdZout", QStringLiteral("Zoom out x-axis"), axis);
    spdZout->setText(QStringLiteral("-"));
    connect(spdZin, &QToolButton::clicked, this, [this] {
        Run(XAxisZoom(session_.presentation, ZoomDirection::kIn, session_.laps.LapDtNum() > 0));
    });
    connect(spdZout, &QToolButton::clicked, this, [this] {
        Run(XAxisZoom(session_.presentation, ZoomDirection::kOut, session_.laps.LapDtNum() > 0));
    });
    axisColumn->addWidget(dist_);
    axisColumn->addWidget(time_);
    axisColumn->addWidget(spdZin);
    axisColumn->addWidget(spdZout);
    axisColumn->addStretch(1);
    graphRow->addWidget(axis);
    spd_ = AddView("PaintBoxSpd", panel, GraphView::kSpeedGraph, StepKind::kRepaintSpeedGraph);
    graphRow->addWidget(spd_, 1);
    spdBar_ = AddView("PaintBoxSpdBar", panel, std::nullopt, StepKind::kRepaintSpeedBar);
    spdBar_->setFixedWidth(68);
    graphRow->addWidget(spdBar_);
    column->addLayout(graphRow, 1);
    return panel;
}

QWidget* GraphPage::BuildLeftPanel() {
    auto* panel = WhiteView("Panel2", this);
    panel->setMinimumWidth(120);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    lowerTabs_ = new QTabWidget(panel);
    lowerTabs_->setObjectName(QStringLiteral("PageControl2"));
    course_ = AddView("PaintBoxGraph", lowerTabs_, GraphView::kCourseOverview,
                      StepKind::kRepaintCourseOverview);
    lowerTabs_->addTab(course_, tr("Course"));

    auto* gTab = new QWidget(lowerTabs_);
    auto* gColumn = new QVBoxLayout(gTab);
    gColumn->setContentsMargins(0, 0, 0, 0);
    gColumn->setSpacing(0);
    auto* gTools = new QHBoxLayout;
    QToolButton* gZin = ToolButton("SpeedButtonGZin", QStringLiteral("Zoom in"), gTab);
    gZin->setText(QStringLiteral("+"));
    QToolButton* gZout = ToolButton("SpeedButtonGZout", QStringLiteral("Zoom out"), gTab);
    gZout->setText(QStringLiteral("-"));
    QToolButton* gInfo = ToolButton("SpeedButtonGInfo", QString(), gTab);
    gInfo->hide();
    connect(gZin, &QToolButton::clicked, this,
            [this] { Run(GZoom(session_.presentation, ZoomDirection::kIn)); });
    connect(gZout, &QToolButton::clicked, this,
            [this] { Run(GZoom(session_.presentation, ZoomDirection::kOut)); });
    gPosMsg_ = new QLabel(EngineText(kGPosMsg), gTab);
    gPosMsg_->setObjectName(QStringLiteral("LabelGPosMsg"));
    gPosMsg_->hide();
    gTools->addWidget(gZin);
    gTools->addWidget(gZout);
    gTools->addWidget(gPosMsg_);
    gTools->addStretch(1);
    gColumn->addLayout(gTools);
    gView_ = AddView("PaintBoxGraphG", gTab, GraphView::kGView, StepKind::kRepaintGView);
    gView_->onMove = [this](QPoint at) {
        gView_->SetImage(gCircle_.MouseMove(session_, gView_->size(), gView_->PixelRatio(), at));
    };
    gView_->onLeave = [this] { gCircle_.MouseLeave(); };
    gColumn->addWidget(gView_, 1);
    lowerTabs_->addTab(gTab, tr("G / Radius of turn"));
    lowerTabs_->addTab(new VideoPanel(session_, playback_, prompter_, lowerTabs_),
                       QStringLiteral("Video"));
    driftView_ = AddView("PaintBoxGraphDrift", lowerTabs_, GraphView::kDriftView,
                         StepKind::kRepaintDriftView);
    lowerTabs_->addTab(driftView_, tr("DRIFT"));
    lowerTabs_->addTab(BuildCornerTab(), QStringLiteral("Corners"));
    connect(lowerTabs_, &QTabWidget::currentChanged, this, [this] {
        if (cornersStale_)
            RefreshCorners();
    });
    column->addWidget(lowerTabs_, 1);

    auto* sector = new QWidget(panel);
    sector->setObjectName(QStringLiteral("PanelSector"));
    sector->setFixedHeight(kLabelPanelHeight);
    auto* sectorColumn = new QVBoxLayout(sector);
    sectorColumn->setContentsMargins(4, 0, 4, 0);
    sectorColumn->setSpacing(0);
    static constexpr const char* kLetters[] = {"A", "B", "C", "D"};
    for (size_t k = 0; k < 4; ++k) {
        QLabel* label = ReadoutLabel(QStringLiteral("LabelSect") + kLetters[k],
                                     tr("データ番号、区間タイム"), sector);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, ToQColor(kSlotColours[k]));
        label->setPalette(palette);
        sectLabels_[k] = label;
        sectorColumn->addWidget(label->parentWidget());
    }
    column->addWidget(sector);
    return panel;
}

QWidget* GraphPage::BuildCornerTab() {
    cornerModel_ = new CornerTableModel(this);
    cornerGrid_ = new QTableView(lowerTabs_);
    cornerGrid_->setObjectName(QStringLiteral("TableViewCorners"));
    cornerGrid_->setModel(cornerModel_);
    // Scrolls rather than holding the lower band open: the splitter's limits
    // decide how small it gets, as for the views beside it.
    cornerGrid_->setMinimumSize(1, 1);
    cornerGrid_->setItemDelegate(new GridCellDelegate(cornerGrid_));
    cornerGrid_->verticalHeader()->hide();
    cornerGrid_->verticalHeader()->setDefaultSectionSize(cornerGrid_->fontMetrics().height() + 4);
    cornerGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    cornerGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    cornerGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cornerGrid_->setWordWrap(false);
    cornerGrid_->horizontalHeader()->setHighlightSections(false);
    cornerGrid_->horizontalHeader()->setSectionsClickable(true);
    connect(cornerGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        cornerModel_->HeaderClicked(c);
        ShowCornerOrder();
    });
    connect(cornerGrid_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { GoToCornerOfRow(index.row()); });
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenuCorners"));
    QAction* copy = menu->addAction(tr("Copy data to &clipboard"));
    copy->setObjectName(QStringLiteral("pmCornerDt"));
    connect(copy, &QAction::triggered, this, [this] {
        QGuiApplication::clipboard()->setText(QString::fromStdString(cornerModel_->CopyText()));
    });
    for (QWidget* owner : {static_cast<QWidget*>(cornerGrid_),
                           static_cast<QWidget*>(cornerGrid_->horizontalHeader())}) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, menu,
                [owner, menu](const QPoint& at) { menu->popup(owner->mapToGlobal(at)); });
    }
    return cornerGrid_;
}

void GraphPage::RefreshCorners() {
    cornersStale_ = true;
    // Built when the tab is showing: the slots and gates change far more
    // often than the table is looked at.
    if (lowerTabs_->currentWidget() != cornerGrid_)
        return;
    cornersStale_ = false;
    cornerModel_->SetTable(SlotCornerTable(session_), CornerUnitsOf(session_.settings));
    cornerGrid_->resizeColumnsToContents();
    ShowCornerOrder();
}

void GraphPage::ShowCornerOrder() {
    QHeaderView* header = cornerGrid_->horizontalHeader();
    const CornerOrder order = cornerModel_->order();
    header->setSortIndicatorShown(order != CornerOrder::kDriving);
    header->setSortIndicator(cornerModel_->timeLostColumn(), order == CornerOrder::kMostLost
                                                                 ? Qt::DescendingOrder
                                                                 : Qt::AscendingOrder);
}

void GraphPage::GoToCornerOfRow(int row) {
    const std::optional<int> corner = cornerModel_->CornerAt(row);
    if (!corner || !GoToCorner(session_, cornerModel_->table().corners, *corner, zoom_->width(),
                               zoom_->height()))
        return;
    playback_.CursorMovedByView();
}

QWidget* GraphPage::BuildDataPanel() {
    auto* panel = WhiteView("PanelData", this);
    panel->setMinimumWidth(120);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* tool = new QWidget(panel);
    tool->setFixedHeight(27);
    ButtonFace(tool);
    auto* strip = new QHBoxLayout(tool);
    strip->setContentsMargins(2, 0, 2, 0);
    QToolButton* zin = ToolButton("SpeedButtonZin", QStringLiteral("Zoom in"), tool);
    zin->setText(QStringLiteral("+"));
    QToolButton* zout = ToolButton("SpeedButtonZout", QStringLiteral("Zoom out"), tool);
    zout->setText(QStringLiteral("-"));
    connect(zin, &QToolButton::clicked, this, [this] {
        Run(MapZoom(session_.presentation, ZoomDirection::kIn, session_.laps.LapDtNum() > 0));
    });
    connect(zout, &QToolButton::clicked, this, [this] {
        Run(MapZoom(session_.presentation, ZoomDirection::kOut, session_.laps.LapDtNum() > 0));
    });
    playTm_ = ReadoutLabel(QStringLiteral("LabelPlayTm"), QStringLiteral("Play time"), tool);
    playTm_->setMinimumWidth(90);
    viewRdu_ = TogglePanel("PanelViewRdu", QStringLiteral("Dec"),
                           QStringLiteral("Show/Hide deceleration"), tool);
    connect(viewRdu_, &QToolButton::clicked, this,
            [this] { Run(ToggleDecelZones(session_.presentation)); });
    zoomDist_ = ReadoutLabel(QStringLiteral("LabelZoomDist"),
                             QStringLiteral("Distance from map center"), tool);
    zoomDist_->setText(QString());
    strip->addWidget(zin);
    strip->addWidget(zout);
    strip->addWidget(playTm_->parentWidget());
    strip->addWidget(viewRdu_);
    strip->addWidget(zoomDist_->parentWidget());
    strip->addStretch(1);
    trackMapTools_.AddButtons(tool, strip);
    // The panel that shows and hides the circuit tools is not offered.
    viewCir_ = TogglePanel("PanelViewCir", QStringLiteral("Cir"),
                           QStringLiteral("Show/Hide Circuit map tool"), tool);
    connect(viewCir_, &QToolButton::clicked, this,
            [this] { Run(ToggleCircuitMapTool(session_.presentation)); });
    strip->addWidget(viewCir_);
    viewCir_->hide();
    column->addWidget(tool);
    zoom_ = AddView("PaintBoxZoom", panel, GraphView::kCourseMap, StepKind::kRepaintCourseMap);
    zoom_->onMove = [this](QPoint at) { HoverCourseMap(at); };
    column->addWidget(zoom_, 1);

    auto* slots = new QWidget(panel);
    slots->setObjectName(QStringLiteral("Panel5"));
    slots->setFixedHeight(kLabelPanelHeight);
    auto* slotColumn = new QVBoxLayout(slots);
    slotColumn->setContentsMargins(4, 0, 4, 0);
    slotColumn->setSpacing(0);
    static constexpr const char* kLetters[] = {"A", "B", "C", "D"};
    for (size_t k = 0; k < 4; ++k) {
        const QString hint = k == 0 ? tr("基準車走行データ") : tr("比較車走行データ");
        QLabel* label = ReadoutLabel(QStringLiteral("Label") + kLetters[k], hint, slots);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, ToQColor(kSlotColours[k]));
        label->setPalette(palette);
        slotLabels_[k] = label;
        slotColumn->addWidget(label->parentWidget());
    }
    column->addWidget(slots);
    return panel;
}

void GraphPage::KeepSplitter(QSplitter* splitter, bool vertical) {
    // The sizes when the drag began: a refused move puts them back. Taken
    // at the press, as resizing the window changes them in between.
    auto accepted = std::make_shared<QList<int>>(splitter->sizes());
    splitter->handle(1)->installEventFilter(
        new PressWatch(splitter, [splitter, accepted] { *accepted = splitter->sizes(); }));
    connect(splitter, &QSplitter::splitterMoved, this, [this, splitter, vertical, accepted] {
        const int first = splitter->sizes().value(0);
        const bool allowed =
            vertical ? Splitter1CanResize(first, height()) : Splitter2CanResize(first, width());
        if (allowed) {
            *accepted = splitter->sizes();
        } else {
            const QSignalBlocker quiet(splitter);
            splitter->setSizes(*accepted);
        }
    });
}

void GraphPage::Run(const StepList& steps) {
    ShowToggles();
    if (!steps.empty() && runSteps_)
        runSteps_(steps);
}

void GraphPage::ClearGraph() {
    const StepList steps = ResetGraph(prompter_, session_.presentation, session_.laps,
                                      session_.align.MaxAlignedTim, playback_.Video());
    if (steps.empty())
        return;
    playback_.Stop();
    Run(steps);
}

void GraphPage::AlignAtGate() {
    Run(AlignAtNextGate(session_, playback_.playing()));
}

void GraphPage::ShowLabels(const DataLabels& labels) {
    playTm_->setText(QString::fromStdString(labels.playTime));
    for (size_t k = 0; k < 4; ++k) {
        slotLabels_[k]->setText(QString::fromStdString(labels.summary[k]));
        sectLabels_[k]->setText(QString::fromStdString(labels.sectorLine[k]));
    }
}

void GraphPage::ShowPlaying(bool playing) {
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    play_->setProperty("playing", playing);
}

void GraphPage::ShowToggles() {
    const PresentationState& state = session_.presentation;
    diffTm_->setChecked(state.showTimeDiff);
    diffByPos_->setChecked(state.diffByPosition);
    xyg_->setChecked(state.showGGraph);
    altitude_->setChecked(state.showElevation);
    drift_->setChecked(state.showDriftAngle);
    viewRdu_->setChecked(state.showDecelZones);
    viewCir_->setChecked(state.circuitMapToolShown);
    comboG_->setCurrentIndex(static_cast<int>(state.gGraphItem));
    speeds_[static_cast<size_t>(state.playSpeed)]->setChecked(true);
    dist_->SetSelected(state.xAxis == XAxisMode::kDistance);
    time_->SetSelected(state.xAxis == XAxisMode::kTime);
}

bool GraphPage::GTabShowing() const {
    return lowerTabs_->currentIndex() == 1;
}

void GraphPage::Repaint(StepKind kind) {
    switch (kind) {
        case StepKind::kRepaintCourseMap:
            PaintView(zoom_);
            break;
        case StepKind::kRepaintSpeedBar:
            PaintView(spdBar_);
            break;
        case StepKind::kRepaintSpeedGraph:
            PaintView(spd_);
            break;
        case StepKind::kRepaintCourseOverview:
        case StepKind::kRepaintCourseMarkers:
            PaintView(course_);
            break;
        // A cursor on a tab not shown is painted when the tab shows.
        case StepKind::kRepaintGCursor:
            if (gView_->isVisible())
                PaintView(gView_);
            break;
        case StepKind::kRepaintGView:
            PaintView(gView_);
            break;
        case StepKind::kRepaintDriftCursor:
            if (driftView_->isVisible())
                PaintView(driftView_);
            break;
        case StepKind::kRepaintDriftView:
            PaintView(driftView_);
            break;
        case StepKind::kRepaintAxisSelectors:
        case StepKind::kShowPlaySpeed:
            ShowToggles();
            break;
        case StepKind::kShowCircuitMapTools:
            trackMapTools_.ShowTools();
            break;
        default:
            break;
    }
}

SceneView* GraphPage::AddView(const char* name, QWidget* parent, std::optional<GraphView> exportAs,
                              StepKind repaint) {
    auto* view = new SceneView(name, parent);
    view->onResize = [this, repaint] { Repaint(repaint); };
    view->onShow = [this, repaint] { Repaint(repaint); };
    view->onPress = [this, view, exportAs](Qt::MouseButton button, QPoint at) {
        if (button == Qt::LeftButton)
            LeftClick(view, at);
        else if (button == Qt::RightButton && exportAs)
            RightClick(*exportAs);
    };
    return view;
}

void GraphPage::PaintView(SceneView* view) {
    const QSize size = view->size();
    if (size.isEmpty())
        return;
    const qreal dpr = view->PixelRatio();
    // A view paints into the image it handed out last; letting go of the
    // shown one first leaves that image unshared, so a step copies nothing.
    view->SetImage(QImage());
    if (view == spd_)
        view->SetImage(speedGraph_.Render(session_, size, dpr));
    else if (view == spdBar_)
        view->SetImage(speedBar_.Render(session_, size, dpr));
    else if (view == zoom_)
        view->SetImage(courseMap_.Render(session_, size, dpr));
    else if (view == course_)
        view->SetImage(courseOverview_.Render(session_, size, dpr));
    else if (view == driftView_)
        view->SetImage(driftDial_.Render(session_, size, dpr));
    else if (view == gView_) {
        view->SetImage(gCircle_.Render(session_, size, dpr));
        gPosMsg_->setVisible(gCircle_.PositionNoteShown());
    }
}

QImage GraphPage::Picture(GraphView view) {
    switch (view) {
        case GraphView::kSpeedGraph:
            return speedGraph_.Picture(session_, spd_->size());
        case GraphView::kCourseMap:
            return courseMap_.Picture(session_, zoom_->size());
        case GraphView::kCourseOverview:
            return courseOverview_.Picture(session_, course_->size());
        case GraphView::kGView:
            return gCircle_.Picture(session_, gView_->size());
        case GraphView::kDriftView:
            break;
    }
    return driftDial_.Picture(session_, driftView_->size());
}

void GraphPage::LeftClick(SceneView* view, QPoint at) {
    std::optional<Float80> playTime;
    if (view == spd_)
        playTime = speedGraph_.Click(session_, view->size(), at);
    else if (view == zoom_)
        playTime = courseMap_.Click(session_, view->size(), at);
    else if (view == course_)
        playTime = courseOverview_.Click(session_, view->size(), at);
    if (!playTime)
        return;
    session_.presentation.playTime = *playTime;
    playback_.CursorMovedByView();
}

void GraphPage::RightClick(GraphView view) {
    if (!RightClickOnView(session_.presentation, view, session_.laps.LapDtNum() > 0))
        return;
    pictureMenu_->popup(QCursor::pos());
}

void GraphPage::HoverCourseMap(QPoint at) {
    if (const std::optional<QString> text = courseMap_.DistanceText(session_, zoom_->size(), at))
        zoomDist_->setText(*text);
    if (!GTabShowing())
        return;
    const std::optional<Scene> inspector =
        courseMap_.GInspector(session_, zoom_->size(), at, gView_->size());
    if (!inspector)
        return;
    PaintView(gView_);
    QImage image = gView_->Image();
    CourseMapView::PaintOver(image, *inspector);
    gView_->SetImage(std::move(image));
}

void GraphPage::SavePicture() {
    SaveGraphPicture(session_, prompter_, [this](GraphView view) { return Picture(view); });
}

void GraphPage::wheelEvent(QWheelEvent* event) {
    WheelTargets targets;
    targets.speedGraph = ToScreenRect(ScreenRectOf(spd_));
    targets.courseMap = ToScreenRect(ScreenRectOf(zoom_));
    targets.gView = ToScreenRect(ScreenRectOf(gView_));
    targets.gTabShowing = GTabShowing();
    const QPoint at = event->globalPosition().toPoint();
    Run(WheelZoom(session_.presentation, event->angleDelta().y(), at.x(), at.y(), targets,
                  session_.laps.LapDtNum() > 0));
    event->accept();
}

}  // namespace qv::ui
