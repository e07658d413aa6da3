// The engine headers come before Qt's: Qt's keyword macros would rewrite them.
#include "app/session.h"

#include "ui/log_block_dialog_step.h"

#include <ctime>

#include "core/local_time.h"
#include "laps/circuit_index.h"
#include "ui/circuit_dialog.h"
#include "ui/log_block_dialog.h"

namespace qv::ui {

bool QtLogBlockDialogStep::Show(LapSession& session, const std::string& logName) {
    CircuitIndex own;
    if (index_ == nullptr) {
        const TDateTime now =
            LoggerTimeToLocal(static_cast<double>(std::time(nullptr)), session.LocalTimeBase);
        own = BuildCircuitIndexes(session.folders, session.LocalTimeBase, now);
    }
    QtCircuitChooser chooser(nullptr);
    LogBlockDialog dialog(parent_, session, prompter_, index_ != nullptr ? *index_ : own, chooser,
                          logName);
    chooser = QtCircuitChooser(&dialog);
    dialog.setWindowState(Qt::WindowMaximized);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace qv::ui
