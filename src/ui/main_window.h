#pragma once
// The main window `TFormMain`: the menus, the three pages and the start-up
// and shutdown work of the program. It forwards every command to the
// engine and runs the steps the engine returns.

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "app/folders.h"
#include "app/session.h"
#include "app/startup.h"
#include "app/step_runner.h"
#include "laps/circuit_index.h"
#include "presentation/steps.h"
#include "ui/window_services.h"

class QTabWidget;
class QWindow;

namespace qv::ui {

class DataCommands;
class DataPage;
class DeviceHost;
class DevicePage;
class GateCommands;
class GraphPage;
class KeyTracker;
class LibraryPage;
class PlaybackController;
class TrackMapCommands;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Runs `FormCreate`: folders, shipped copies, settings, circuit indexes,
    // lap-list header, empty slots.
    MainWindow(Session& session, const FolderSources& sources, WindowServices services,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // `FormDestroy`: the settings written and the temporary lap files
    // deleted. Runs once; closing the window runs it too.
    void ShutDown();

    void RunSteps(const StepList& steps);
    void BringToFront();
    // A file from the desktop or the command line, opened as "Load log data"
    // or "Load lap data" would open it. Refused, with a message, while a
    // dialog or a download is running; false then.
    bool OpenFile(const std::filesystem::path& file);
    void ShowConfiguration();
    void ShowVersion();
    // Opens the session library in the program data folder; a new one
    // starts by indexing the user's raw-log folder.
    void OpenLibrary();

    const StartupResult& startup() const { return startup_; }
    // Built at start-up; the circuit searches measure their distances in it.
    CircuitIndex& circuitIndex() { return circuitIndex_; }
    PlaybackController& playback() { return *playback_; }
    DataCommands& dataCommands() { return *commands_; }
    DeviceHost& device() { return *device_; }
    GateCommands& gateCommands() { return *gateCommands_; }
    TrackMapCommands& trackMapCommands() { return *trackMapCommands_; }
    LibraryPage& libraryPage() { return *libraryPage_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildMenus();
    void WireDevice();
    bool GraphTabShowing() const;

    Session& session_;
    WindowServices services_;
    StartupResult startup_;
    CircuitIndex circuitIndex_;
    bool shutDown_ = false;

    QTabWidget* pages_ = nullptr;
    GraphPage* graphPage_ = nullptr;
    DataPage* dataPage_ = nullptr;
    DevicePage* devicePage_ = nullptr;
    LibraryPage* libraryPage_ = nullptr;
    std::unique_ptr<PlaybackController> playback_;
    std::unique_ptr<DataCommands> commands_;
    DeviceHost* device_ = nullptr;
    KeyTracker* keys_ = nullptr;
    GateCommands* gateCommands_ = nullptr;
    TrackMapCommands* trackMapCommands_ = nullptr;
    std::unique_ptr<StepScreen> screen_;
    QPointer<QWindow> watchedWindow_;
};

}  // namespace qv::ui
