#pragma once
// The log-block and control-line dialog as the open-log command's dialog
// step: shown maximised over the session's runs and lines.

#include <QWidget>

#include "core/prompter.h"
#include "laps/circuit_index.h"
#include "laps/open_log.h"

namespace qv::ui {

class QtLogBlockDialogStep : public LogBlockDialogStep {
  public:
    QtLogBlockDialogStep(QWidget* parent, Prompter& prompter)
        : parent_(parent), prompter_(prompter) {}
    bool Show(LapSession& session, const std::string& logName) override;
    // The circuit index built at start-up; without it each log indexes the
    // folders anew.
    void UseCircuitIndex(CircuitIndex& index) { index_ = &index; }

  private:
    QWidget* parent_;
    Prompter& prompter_;
    CircuitIndex* index_ = nullptr;
};

}  // namespace qv::ui
