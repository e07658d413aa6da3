#pragma once
// The "Library" page: the tracks of the session library with their
// sessions, the laps of the chosen session and the chosen track's progress
// chart; adding a folder of logs in the background with a progress bar and
// Cancel. The rows and the commands are the engine's; this page shows them
// and forwards.

#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/library_import_worker.h"
#include "app/session.h"
#include "core/prompter.h"
#include "laps/circuit_index.h"
#include "library/session_library.h"
#include "presentation/steps.h"
#include "ui/views/progress_chart_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv::ui {

class SceneView;

class LibraryPage : public QWidget {
    Q_OBJECT

  public:
    struct Hooks {
        // The open-log command on a file, as "Load log data" runs it.
        std::function<void(const std::filesystem::path&)> openLog;
        std::function<void(const StepList&)> runSteps;
        std::function<void()> lapListChanged;
        // The folder "Add a folder…" indexes; nothing on Cancel.
        std::function<std::optional<std::filesystem::path>()> chooseFolder;
        // A track's new name; nothing on Cancel.
        std::function<std::optional<std::string>(const std::string& current)> askTrackName;
    };

    LibraryPage(Session& session, const CircuitIndex& circuits, Prompter& prompter,
                std::function<TDateTime()> now, Hooks hooks, QWidget* parent = nullptr);
    ~LibraryPage() override;

    // Opens (or creates) the library file and shows it. When the file is
    // new, or started afresh after a damaged one was moved aside, the logs
    // under `firstFolder` are indexed in the background.
    LibraryOpenResult OpenLibrary(const std::filesystem::path& file,
                                  const std::filesystem::path& firstFolder = {});
    bool LibraryOpen() const { return library_.IsOpen(); }

    // A log opened or downloaded: queued for the library when it is open
    // and writable. The setting is the caller's rule.
    void AddLogQuietly(const std::filesystem::path& log);
    // Indexes every log under the folders, with progress and Cancel.
    void AddFolders(const std::vector<std::filesystem::path>& roots);
    void CancelImport();
    // A job of the import thread waits or runs.
    bool Importing() const { return pendingJobs_ > 0; }

    // Reads the library again; the chosen rows stay chosen.
    void Refresh();

    // The chosen rows' commands, as the buttons and double clicks run them.
    void OpenChosenSession();
    void ShowChosenLap();
    void RenameChosenTrack();

    QTreeWidget* Tree() const { return tree_; }
    QTreeWidget* LapTable() const { return laps_; }
    QListWidget* RefusedList() const { return refused_; }
    QLabel* StatusLabel() const { return status_; }
    SessionLibrary& Library() { return library_; }
    // The chart as last painted, for hit tests and tests.
    const ProgressChartLayout& ChartLayout() const { return chart_.LayoutShown(); }

  private:
    friend class PageImportSink;
    void OnImportEvent(const LibraryImportEvent& event);
    void Enqueue(std::vector<std::filesystem::path> roots, bool automatic);
    void ApplyFilter();
    void FillTree();
    void ChosenChanged();
    void ShowLaps(std::optional<int64_t> sessionId);
    void PaintChart();
    // A click on a session's mark in the chart chooses it in the tree.
    void ChooseChartPoint(QPoint at);
    void SetStatus(const std::string& text);
    std::optional<int64_t> ChosenSession() const;
    std::optional<int64_t> ChosenTrack() const;

    Session& session_;
    const CircuitIndex& circuits_;
    Prompter& prompter_;
    std::function<TDateTime()> now_;
    Hooks hooks_;
    SessionLibrary library_;
    SessionFilter filter_;
    std::unique_ptr<LibraryImportSink> sink_;
    std::unique_ptr<LibraryImportWorker> worker_;
    int pendingJobs_ = 0;
    int bulkJobs_ = 0;
    std::vector<ProgressPoint> chartPoints_;
    std::vector<int64_t> chartSessions_;  // the session of each chart point
    std::optional<int64_t> lapsSession_;
    ProgressChartView chart_;

    QTreeWidget* tree_ = nullptr;
    QTreeWidget* laps_ = nullptr;
    SceneView* chartView_ = nullptr;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QComboBox* logger_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* slotButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QListWidget* refused_ = nullptr;
};

}  // namespace qv::ui
