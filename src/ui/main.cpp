#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QUrl>
#include <cstdlib>
#include <ctime>

#include "app/folders.h"
#include "app/memory_policy.h"
#include "app/session.h"
#include "core/local_time.h"
#include "device/serial_port.h"
#include "ui/log_block_dialog_step.h"
#include "ui/main_window.h"
#include "ui/playback_controller.h"
#include "ui/qt_name_edit_dialog.h"
#include "ui/qt_prompter.h"
#include "ui/qt_timer_service.h"
#include "ui/single_instance.h"

int main(int argc, char** argv) {
    qv::KeepFreedMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    const qv::FolderSources sources = qv::FolderSourcesFromEnvironment(
        QUORVANE_INSTALLED_SHIPPED_DIR, QUORVANE_BUILD_TREE_SHIPPED_DIR);
    const qv::FolderTreeResult folders = qv::ResolveFolderTree(sources);
    qv::ui::SingleInstance instance(
        qv::ui::InstanceKey(folders.ok ? folders.tree.programData : std::filesystem::path()));
    qv::ui::QtPrompter prompter(nullptr);
    if (!instance.Acquire()) {
        prompter.Inform(qv::ui::kMsgAlreadyStarted, qv::MessageIcon::Information);
        instance.AskFirstToFront();
        return 0;
    }

    qv::Session session(qv::LocalTimeBaseFromBias(qv::StandardTimeBiasMinutes()));
    const qv::TDateTime localTimeBase = session.LocalTimeBase;
    qv::ui::QtLogBlockDialogStep logDialog(nullptr, prompter);
    qv::ui::QtNameEditDialog nameEdit(nullptr);
    qv::ui::QtTimerService timers;
    qv::ui::WindowServices services{
        prompter,
        logDialog,
        nameEdit,
        timers,
        [localTimeBase] {
            return qv::LoggerTimeToLocal(
                static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0, localTimeBase);
        },
        [](const std::filesystem::path& file) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
        },
        timers,
        [] {
            const char* extra = std::getenv("QUORVANE_PORTS");
            return qv::ScanPorts(extra != nullptr ? extra : "");
        }};
    qv::ui::MainWindow window(session, sources, services);
    logDialog.UseCircuitIndex(window.circuitIndex());
    QObject::connect(&instance, &qv::ui::SingleInstance::frontRequested, &window,
                     &qv::ui::MainWindow::BringToFront);
    window.playback().StartKeyPoll();
    window.showMaximized();
    return app.exec();
}
