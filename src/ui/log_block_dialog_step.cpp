// The engine headers come before Qt's: Qt's keyword macros would rewrite them.
#include "core/session.h"

#include "ui/log_block_dialog_step.h"

#include <ctime>

#include "core/local_time.h"
#include "laps/circuit_index.h"
#include "ui/circuit_dialog.h"
#include "ui/log_block_dialog.h"

namespace qv::ui {

bool QtLogBlockDialogStep::Show(Session& session, const std::string& logName) {
    // Indexed for each log so that files saved since start-up are found too.
    const TDateTime now =
        LoggerTimeToLocal(static_cast<double>(std::time(nullptr)), session.LocalTimeBase);
    CircuitIndex index = BuildCircuitIndexes(session.folders, session.LocalTimeBase, now);
    QtCircuitChooser chooser(nullptr);
    LogBlockDialog dialog(parent_, session, prompter_, index, chooser, logName);
    chooser = QtCircuitChooser(&dialog);
    dialog.setWindowState(Qt::WindowMaximized);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace qv::ui
