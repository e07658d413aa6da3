#pragma once
// The log-block and control-line dialog as the open-log command's dialog
// step: shown maximised over the session's runs and lines.

#include <QWidget>

#include "core/prompter.h"
#include "laps/open_log.h"

namespace qv::ui {

class QtLogBlockDialogStep : public LogBlockDialogStep {
  public:
    QtLogBlockDialogStep(QWidget* parent, Prompter& prompter)
        : parent_(parent), prompter_(prompter) {}
    bool Show(Session& session, const std::string& logName) override;

  private:
    QWidget* parent_;
    Prompter& prompter_;
};

}  // namespace qv::ui
