#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>

#include "app/analysis.h"
#include "dynamics/detail_texts.h"
#include "laps/lap_list_columns.h"
#include "presentation/toggles.h"
#include "presentation/window_rules.h"
#include "ui/config_dialog.h"
#include "ui/data_commands.h"
#include "ui/data_page.h"
#include "ui/device_host.h"
#include "ui/device_page.h"
#include "ui/gate_commands.h"
#include "ui/graph_page.h"
#include "ui/key_tracker.h"
#include "ui/page_guard.h"
#include "ui/playback_controller.h"
#include "ui/range_dialog.h"
#include "ui/speed_select_dialog.h"
#include "ui/track_map_commands.h"
#include "ui/version_dialog.h"

namespace qv::ui {
namespace {

constexpr int kClientWidth = 1008;
constexpr int kClientHeight = 754;
constexpr int kWindowFontPx = 12;

MainPage PageOf(int index) {
    return index == 0 ? MainPage::kGraph : index == 1 ? MainPage::kData : MainPage::kDevice;
}

}  // namespace

MainWindow::MainWindow(Session& session, const FolderSources& sources, WindowServices services,
                       QWidget* parent)
    : QMainWindow(parent), session_(session), services_(std::move(services)) {
    setWindowTitle(QStringLiteral("Quorvane"));
    setObjectName(QStringLiteral("FormMain"));
    QFont font = this->font();
    font.setPixelSize(kWindowFontPx);
    setFont(font);

    startup_ = StartUp(sources, session_.settings, session_.folders, services_.prompter);
    circuitIndex_ = BuildCircuitIndexes(session_.folders, session_.LocalTimeBase, services_.now());
    session_.listHeader = LapListHeader(session_.settings);
    ApplyGraphToggles(session_.settings, session_.presentation);
    session_.presentation.playTime = 0;

    PlaybackController::Hooks playHooks;
    playHooks.runSteps = [this](const StepList& steps) { RunSteps(steps); };
    playHooks.playingChanged = [this](bool playing) { graphPage_->ShowPlaying(playing); };
    playHooks.graphTabShowing = [this] { return GraphTabShowing(); };
    playHooks.applicationActive = [] {
        return QGuiApplication::applicationState() == Qt::ApplicationActive;
    };
    playHooks.keys = [this] { return keys_->Take(); };
    playback_ = std::make_unique<PlaybackController>(session_, services_.timers, services_.now,
                                                     std::move(playHooks));

    DataCommands::Hooks dataHooks;
    dataHooks.stopPlayback = [this] { playback_->Stop(); };
    dataHooks.runSteps = [this](const StepList& steps) { RunSteps(steps); };
    dataHooks.lapListChanged = [this] {
        dataPage_->RefreshList();
        devicePage_->RefreshDiagnostics();
    };
    dataHooks.showDataPage = [this] { pages_->setCurrentWidget(dataPage_); };
    dataHooks.loadingLog = [this](bool busy) {
        dataPage_->SetLoadingLog(busy);
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    dataHooks.gateDialogs = [this] {
        return gateCommands_ != nullptr ? &gateCommands_->Dialogs() : nullptr;
    };
    commands_ = std::make_unique<DataCommands>(session_, services_, std::move(dataHooks));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    graphPage_ = new GraphPage(
        session_, *playback_, services_.prompter,
        [this](const StepList& steps) { RunSteps(steps); }, pages_);
    dataPage_ = new DataPage(session_, *commands_, pages_);
    device_ = new DeviceHost(session_, services_.prompter, services_.deviceTimers,
                             services_.scanPorts, this);
    devicePage_ = new DevicePage(session_, *device_, pages_);
    pages_->addTab(graphPage_, QStringLiteral("Graph"));
    pages_->addTab(dataPage_, QStringLiteral("Data"));
    pages_->addTab(devicePage_, QStringLiteral("GPS Device"));
    pages_->setCurrentWidget(dataPage_);
    connect(pages_, &QTabWidget::currentChanged, this,
            [this](int index) { PageChanged(session_.presentation, PageOf(index)); });
    new PageGuard(pages_, [this] { return !device_->View().buttonsEnabled; });
    setCentralWidget(pages_);
    BuildMenus();
    // The client area below the menu bar, for a window that is not maximised.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    WireDevice();
    // "Find sector gates" searches the index built at start-up.
    if (auto* trackMaps = findChild<TrackMapCommands*>(QStringLiteral("TrackMapCommands")))
        trackMaps->SetTrackMapIndex(&circuitIndex_.trackMaps);
    gateCommands_ = findChild<GateCommands*>(QStringLiteral("GateCommands"));
    if (gateCommands_)
        gateCommands_->SetSectorIndex(&circuitIndex_.sectorGates);

    keys_ = new KeyTracker(
        [this] { return GraphTabShowing() && QApplication::activeModalWidget() == nullptr; }, this);
    qApp->installEventFilter(keys_);
    setAcceptDrops(true);
    RunSteps({{StepKind::kSetDataStr}, {StepKind::kSetSectGrid}, {StepKind::kRepaintLapList}});
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(keys_);
    ShutDown();
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File(&F)"));
    QAction* configuration = file->addAction(QStringLiteral("Configuration(&C)"));
    configuration->setObjectName(QStringLiteral("MenuConfiguration"));
    connect(configuration, &QAction::triggered, this, &MainWindow::ShowConfiguration);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit(&X)"));
    quit->setObjectName(QStringLiteral("MenuQuit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    QMenu* version = menuBar()->addMenu(QStringLiteral("Version(&V)"));
    QAction* about = version->addAction(QStringLiteral("Version"));
    about->setObjectName(QStringLiteral("MenuVersion"));
    connect(about, &QAction::triggered, this, &MainWindow::ShowVersion);
}

void MainWindow::WireDevice() {
    DeviceController& controller = device_->controller();
    controller.now = services_.now;
    controller.rangeDialog = [this](int lastSector, int& startUnit, int& endUnit) {
        return RunRangeDialog(this, lastSector, startUnit, endUnit);
    };
    controller.speedDialog = [this](int& slowLevel) {
        return RunSpeedSelectDialog(this, slowLevel);
    };
    connect(dataPage_, &DataPage::downloadClicked, this,
            [this] { device_->Run([](DeviceController& c) { c.SpeedButtonLdGPSClick(); }); });
    connect(devicePage_, &DevicePage::busyChanged, this, [this](bool busy) {
        dataPage_->SetDeviceBusy(busy);
        // The whole window, menus included; dialogs and messages keep
        // their own cursor.
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    });
    connect(devicePage_, &DevicePage::logDownloaded, this,
            [this] { commands_->OpenDownloadedLog(); });
}

void MainWindow::ShowConfiguration() {
    ConfigDialog dialog(session_.settings, this);
    if (dialog.exec() == QDialog::Accepted)
        RunSteps({{StepKind::kSetDataStr}, {StepKind::kSetSectGrid}});
}

void MainWindow::ShowVersion() {
    VersionDialog dialog(this);
    dialog.exec();
}

bool MainWindow::GraphTabShowing() const {
    return pages_->currentWidget() == graphPage_;
}

void MainWindow::RunSteps(const StepList& steps) {
    bool calculated = false;
    bool listed = false;
    bool sampled = false;
    for (const Step& step : steps) {
        switch (step.kind) {
            case StepKind::kCalcSectors:
            case StepKind::kCalcTimeOffsets:
            case StepKind::kCalcTimeDiff:
            case StepKind::kCalDistOfs:
                if (!calculated)
                    RefreshSlots(session_);
                calculated = true;
                break;
            case StepKind::kSetSectTmList:
            case StepKind::kSetDriftAngleList:
                if (!listed)
                    RefreshLapList(session_);
                listed = true;
                break;
            case StepKind::kSampleAtTime:
            case StepKind::kSampleAtRefDist:
                if (!sampled)
                    MoveCursor(session_, session_.presentation.playTime);
                sampled = true;
                break;
            case StepKind::kCentreMapOnSlotA:
                if (session_.laps.LapDtNum() > 0) {
                    session_.presentation.mapCentreIdo = session_.align.cursor[0].CsIdo;
                    session_.presentation.mapCentreKdo = session_.align.cursor[0].CsKdo;
                }
                break;
            case StepKind::kSetDataStr: {
                const DiffReadout diff{session_.presentation.showTimeDiff, session_.align.DiffCur,
                                       session_.align.DiffMin, session_.align.DiffMax};
                graphPage_->ShowLabels(
                    SetDataStr(session_.presentation.playTime, SlotReadouts(session_),
                               session_.gates.UsedCount(), diff, session_.settings));
                break;
            }
            case StepKind::kSetSectGrid:
                dataPage_->RefreshTables();
                break;
            case StepKind::kRepaintLapList:
                dataPage_->RefreshList();
                break;
            default:
                // The video steps wait for the player; the rest are repaints.
                graphPage_->Repaint(step.kind);
                break;
        }
    }
}

void MainWindow::ShutDown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    playback_->Stop();
    device_->controller().Shutdown();
    StoreGraphToggles(session_.presentation, session_.settings);
    if (startup_.tree.valid())
        qv::ShutDown(startup_.tree, session_.settings);
}

void MainWindow::BringToFront() {
    // Back to the state it had before it was minimised, maximised or not.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    ShutDown();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files.emplace_back(url.toLocalFile().toStdString());
    }
    const bool shown = pages_->currentWidget() == dataPage_;
    if (commands_->DropFiles(files, shown))
        RunSteps({{StepKind::kRepaintLapList}});
    event->acceptProposedAction();
}

}  // namespace qv::ui
