#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QMoveEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/library_auto_add.h"
#include "app/report_command.h"
#include "app/session_lifetime.h"
#include "app/step_runner.h"
#include "presentation/window_rules.h"
#include "ui/config_dialog.h"
#include "ui/data_commands.h"
#include "ui/data_page.h"
#include "ui/device_host.h"
#include "ui/device_page.h"
#include "ui/gate_commands.h"
#include "ui/graph_page.h"
#include "ui/key_tracker.h"
#include "ui/library_page.h"
#include "ui/page_guard.h"
#include "ui/playback_controller.h"
#include "ui/range_dialog.h"
#include "ui/report/report_actions.h"
#include "ui/speed_select_dialog.h"
#include "ui/track_map_commands.h"
#include "ui/version_dialog.h"

namespace qv::ui {
namespace {

constexpr int kClientWidth = 1008;
constexpr int kClientHeight = 754;
constexpr int kWindowFontPx = 12;

// What a step list shows: the Graph page's labels and views, the Data
// page's tables and lap list.
class WindowScreen : public StepScreen {
  public:
    WindowScreen(GraphPage& graph, DataPage& data) : graph_(graph), data_(data) {}
    void ShowLabels(const DataLabels& labels) override { graph_.ShowLabels(labels); }
    void RefreshTables() override {
        data_.RefreshTables();
        graph_.RefreshCorners();
    }
    void RefreshList() override { data_.RefreshList(); }
    // The video steps wait for the player; the rest are repaints.
    void Repaint(StepKind kind) override { graph_.Repaint(kind); }

  private:
    GraphPage& graph_;
    DataPage& data_;
};

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

    SessionStart start = StartSession(session_, sources, services_.prompter, services_.now());
    startup_ = std::move(start.startup);
    circuitIndex_ = std::move(start.circuits);

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
    dataHooks.video = [this] { return playback_->Video(); };
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
    dataHooks.logOpened = [this](const OpenLogOutcome& outcome) {
        AutoAddOpenedLog(session_.settings, outcome, [this](const std::filesystem::path& log) {
            libraryPage_->AddLogQuietly(log);
        });
    };
    commands_ = std::make_unique<DataCommands>(session_, services_, std::move(dataHooks));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    // The command objects behind the Graph page's buttons; their steps go
    // through the page, which shows its toggles first.
    const auto throughGraphPage = [this](const StepList& steps) { graphPage_->Run(steps); };
    gateCommands_ =
        new GateCommands(session_, *playback_, services_.prompter, throughGraphPage, this);
    gateCommands_->SetSectorIndex(&circuitIndex_.sectorGates);
    trackMapCommands_ = new TrackMapCommands(session_, services_.prompter, throughGraphPage, this);
    // "Find sector gates" and "find track map" search the index built at start-up.
    trackMapCommands_->SetTrackMapIndex(&circuitIndex_.trackMaps);
    graphPage_ = new GraphPage(
        session_, *playback_, services_.prompter,
        [this](const StepList& steps) { RunSteps(steps); }, *gateCommands_, *trackMapCommands_,
        pages_);
    dataPage_ = new DataPage(session_, *commands_, pages_);
    screen_ = std::make_unique<WindowScreen>(*graphPage_, *dataPage_);
    device_ = new DeviceHost(session_, services_.prompter, services_.deviceTimers,
                             services_.scanPorts, this);
    devicePage_ = new DevicePage(session_, *device_, pages_);
    pages_->addTab(graphPage_, tr("Graph"));
    pages_->addTab(dataPage_, tr("Data"));
    LibraryPage::Hooks libraryHooks;
    libraryHooks.openLog = [this](const std::filesystem::path& log) { OpenFile(log); };
    libraryHooks.runSteps = [this](const StepList& steps) { RunSteps(steps); };
    libraryHooks.lapListChanged = [this] { dataPage_->RefreshList(); };
    libraryHooks.askTrackName = [this](const std::string& current) {
        return services_.nameEdit.Edit("Track name", current);
    };
    libraryPage_ = new LibraryPage(session_, circuitIndex_, services_.prompter, services_.now,
                                   std::move(libraryHooks), pages_);
    pages_->addTab(devicePage_, tr("GPS Device"));
    pages_->addTab(libraryPage_, tr("Library"));
    pages_->setCurrentWidget(dataPage_);
    connect(pages_, &QTabWidget::currentChanged, this,
            [this](int index) { PageChanged(session_.presentation, PageOf(index)); });
    new PageGuard(pages_, [this] { return !device_->View().buttonsEnabled; });
    setCentralWidget(pages_);
    BuildMenus();
    // The client area below the menu bar, for a window that is not maximised.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    WireDevice();

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
    QMenu* file = menuBar()->addMenu(tr("File(&F)"));
    QAction* configuration = file->addAction(tr("Configuration(&C)"));
    configuration->setObjectName(QStringLiteral("MenuConfiguration"));
    connect(configuration, &QAction::triggered, this, &MainWindow::ShowConfiguration);
    QAction* report = file->addAction(QString::fromUtf8(kReportMenuText));
    report->setObjectName(QStringLiteral("MenuExportReport"));
    connect(report, &QAction::triggered, this,
            [this] { ExportReportPdf(session_, services_.prompter); });
    QAction* print = file->addAction(QString::fromUtf8(kPrintMenuText));
    print->setObjectName(QStringLiteral("MenuPrint"));
    connect(print, &QAction::triggered, this, [this] { PrintReport(session_, this); });
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit(&X)"));
    quit->setObjectName(QStringLiteral("MenuQuit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    QMenu* version = menuBar()->addMenu(tr("Version(&V)"));
    QAction* about = version->addAction(tr("Version"));
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
    connect(devicePage_, &DevicePage::logDownloaded, this, [this] {
        const DownloadSaveResult saved = device_->View().lastDownload;
        commands_->OpenDownloadedLog();
        AutoAddDownloadedLog(
            session_.settings, saved.saved, saved.savedPath,
            [this](const std::filesystem::path& log) { libraryPage_->AddLogQuietly(log); });
    });
}

void MainWindow::ShowConfiguration() {
    ConfigDialog dialog(session_.settings, this);
    if (dialog.exec() == QDialog::Accepted)
        RunSteps({{StepKind::kSetDataStr}, {StepKind::kSetSectGrid}});
}

void MainWindow::OpenLibrary() {
    const FolderTree& tree = startup_.tree;
    if (!tree.valid())
        return;
    libraryPage_->OpenLibrary(tree.programData / kLibraryFileName, tree.User(UserSubfolder::Raw));
}

void MainWindow::ShowVersion() {
    VersionDialog dialog(this);
    dialog.exec();
}

bool MainWindow::GraphTabShowing() const {
    return pages_->currentWidget() == graphPage_;
}

void MainWindow::RunSteps(const StepList& steps) {
    qv::RunSteps(session_, steps, screen_.get());
    playback_->RunVideoSteps(steps);
}

void MainWindow::ShutDown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    playback_->ShutDownVideo();
    ShutDownSession(session_, startup_,
                    {[this] { playback_->Stop(); }, [this] { device_->controller().Shutdown(); }},
                    services_.prompter);
}

void MainWindow::BringToFront() {
    // Back to the state it had before it was minimised, maximised or not.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool MainWindow::OpenFile(const std::filesystem::path& file) {
    BringToFront();
    if (QApplication::activeModalWidget() != nullptr || !device_->View().buttonsEnabled) {
        services_.prompter.Inform(file.string() +
                                      "\nwas not opened: close the open dialog or "
                                      "wait for the download to end, then open it again.",
                                  MessageIcon::Information);
        return false;
    }
    commands_->OpenFile(file);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    ShutDown();
    event->accept();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    playback_->VideoScreenMoved();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The native window exists only once shown; another screen may have
    // another pixel ratio, and so another picture size in device pixels.
    if (windowHandle() != nullptr && windowHandle() != watchedWindow_) {
        watchedWindow_ = windowHandle();
        connect(watchedWindow_, &QWindow::screenChanged, this,
                [this] { playback_->VideoScreenMoved(); });
    }
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
