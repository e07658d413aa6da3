#pragma once
// A main window over its own data and documents folders, with scripted
// answers to every question and dialog and timers that fire on demand.

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>

#include "app/folders.h"
#include "app/session.h"
#include "geometry/sci_file.h"
#include "laps/cln_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_commands.h"
#include "laps/open_log.h"
#include "presentation/manual_clock.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "ui/gate_commands.h"
#include "ui/main_window.h"
#include "ui/manual_timers.h"
#include "ui/qt_timer_service.h"

namespace qv::test {

inline std::filesystem::path Shipped(const std::string& relative) {
    return std::filesystem::path(test::ShippedDir()) / relative;
}

// The log-block dialog closed with OK after the demo circuit's control
// line and sector gates were set, as the user would set them.
class DemoCircuitStep : public LogBlockDialogStep {
  public:
    bool ok = true;
    int shown = 0;
    bool Show(LapSession& session, const std::string&) override {
        ++shown;
        ReadClnFile(Shipped("ControlLine/demo.cln"), session.lines, ClnRally::FromFile);
        ReadSectFile(Shipped("Sector/demo.sci"), session.gates);
        return ok;
    }
};

class ScriptedNames : public NameEditDialog {
  public:
    std::optional<std::string> answer;
    std::string caption;
    std::optional<std::string> Edit(const std::string& shownCaption, const std::string&) override {
        caption = shownCaption;
        return answer;
    }
};

// The gate dialogs, answered from a script; Cancel unless told otherwise.
class ScriptedGateDialogs : public GateDialogs {
  public:
    std::optional<int> editChoice;
    std::function<std::optional<int>(GateAdjustView&, int)> adjust;
    std::optional<GateRemoval> removal;
    int removeCount = -1;
    int removeAsked = 0;
    bool removeAllTicked = false;

    std::optional<int> SelectEditGate(int, int) override { return editChoice; }
    std::optional<int> AdjustGate(GateAdjustView& view, int passNo) override {
        return adjust ? adjust(view, passNo) : std::nullopt;
    }
    std::optional<GateRemoval> SelectRemoveGates(int count, bool allTicked) override {
        ++removeAsked;
        removeCount = count;
        removeAllTicked = allTicked;
        return removal;
    }
};

class WindowFixture {
  public:
    WindowFixture() : session(std::make_unique<Session>(25569.0)) {
        // After the demo log's runs, so that they are ticked.
        clock.now = 47000.5;
        sources.dataDirOverride = (dir / "data").string();
        sources.documentsOverride = (dir / "documents").string();
        sources.shippedOverride = test::ShippedDir();
        sources.home = dir.path().string();
        ui::WindowServices services{prompter,
                                    step,
                                    names,
                                    timers,
                                    [this] { return clock.now; },
                                    [this](const std::filesystem::path& p) { opened.push_back(p); },
                                    deviceTimers,
                                    [this] { return ports; }};
        window = std::make_unique<ui::MainWindow>(*session, sources, services);
        window->gateCommands().SetDialogs(&gateDialogs);
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }

    template <typename T>
    T* Child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return found;
    }
    void Click(const char* button) const { Child<QToolButton>(button)->click(); }
    QTableView* LapGrid() const { return Child<QTableView>("StringGridLapData"); }

    // Puts the grid's cursor on a cell and the focus on the grid.
    void Select(QTableView* grid, int modelRow, int column = 0) const {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(modelRow, column));
    }
    void DoubleClick(QTableView* grid, int modelRow, int column = 0) const {
        grid->scrollTo(grid->model()->index(modelRow, column));
        const QPoint at = grid->visualRect(grid->model()->index(modelRow, column)).center();
        QWidget* viewport = grid->viewport();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    }
    QString Cell(int modelRow, int column, int role = Qt::DisplayRole) const {
        return LapGrid()->model()->index(modelRow, column).data(role).toString();
    }
    QColor CellColour(int modelRow, int column, int role) const {
        return LapGrid()->model()->index(modelRow, column).data(role).value<QColor>();
    }

    // Opens the shipped demo log through the tool bar and closes the
    // log-block dialog with OK.
    void OpenDemoLog() {
        prompter.files.push_back(Shipped("Raw/demo.bnx4").string());
        Click("SpeedButtonLdLogFile");
    }

    TempDir dir;
    FolderSources sources;
    std::unique_ptr<Session> session;
    ScriptedPrompter prompter;
    DemoCircuitStep step;
    ScriptedNames names;
    ScriptedGateDialogs gateDialogs;
    ManualTimers timers;
    ManualClock clock;
    // The device link runs on real timers against the serial ports named here.
    ui::QtTimerService deviceTimers;
    std::vector<std::string> ports;
    std::vector<std::filesystem::path> opened;
    std::unique_ptr<ui::MainWindow> window;
};

}  // namespace qv::test
