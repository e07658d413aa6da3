#pragma once
// The log-block and control-line dialog `TOKBottomDlgMb`. Its events go to
// the engine's log-block rules; it only lays out, forwards and paints.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <string>

#include "laps/circuit_index.h"
#include "laps/log_block_rules.h"
#include "laps/log_line.h"

namespace qv {
struct LapSession;
}

namespace qv::ui {

class LogBlockMap;
class RecordList;

class LogBlockDialog : public QDialog {
    Q_OBJECT
  public:
    LogBlockDialog(QWidget* parent, LapSession& session, Prompter& prompter, CircuitIndex& index,
                   CircuitChooser& chooser, const std::string& logName);

    LogBlockMap* Map() const { return map_; }
    RecordList* Records() const { return records_; }
    const LineEditor& Editor() const { return editor_; }
    const ViewRect& View() const { return view_; }
    // A control of the tool bar by its name, e.g. "SpeedButtonRstZoom".
    QToolButton* Button(const QString& name) const;

    // `ReqSelCircuit`; the dialog's map follows what it loaded.
    SelCircuitResult RunCircuitSelection(bool manual);

    // What the log offers after the automatic circuit search: its file's
    // start line as its control line, or the driving's suggestion for the
    // user to take.
    const LogLineOffer& Offer() const { return offer_; }

    // OK: without any line set the user may choose to look for one first.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* BuildToolBar();
    QWidget* BuildSidePanel(const std::string& logName);
    QWidget* BuildBottomBar();
    QToolButton* AddButton(QWidget* bar, const char* name, const QString& caption,
                           const char* hint);
    void SyncControls();
    void OnTicksChanged();
    void RenameRun(int run);
    void Shift(ShiftDirection direction);
    void ShowLogLine();

    LapSession& session_;
    Prompter& prompter_;
    CircuitIndex& index_;
    CircuitChooser& chooser_;
    LineEditor editor_;
    ViewRect view_;
    LogBlockMap* map_ = nullptr;
    RecordList* records_ = nullptr;
    QLabel* cursorLabel_ = nullptr;
    LogLineOffer offer_;
    QLabel* suggestionLabel_ = nullptr;
    QPushButton* takeButton_ = nullptr;
    QCheckBox* rallyBox_ = nullptr;
    QCheckBox* stopBox_ = nullptr;
    bool autoSelectionDone_ = false;
};

}  // namespace qv::ui
