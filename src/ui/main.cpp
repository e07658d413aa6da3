#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "app/folders.h"
#include "app/memory_policy.h"
#include "app/session.h"
#include "app/settings_file.h"
#include "app/startup.h"
#include "core/local_time.h"
#include "core/text_file.h"
#include "device/serial_port.h"
#include "ui/log_block_dialog_step.h"
#include "ui/main_window.h"
#include "ui/playback_controller.h"
#include "ui/qt_name_edit_dialog.h"
#include "ui/qt_prompter.h"
#include "ui/qt_timer_service.h"
#include "ui/single_instance.h"
#include "ui/window_translator.h"

namespace {

// The name of the desktop entry and of the icon.
const QString kAppId = QStringLiteral("org.quorvane.Quorvane");

// The icon theme's, else the bitmaps installed beside the program (a tree
// unpacked away from the system's folders); null when running from the
// build tree.
QIcon ProgramIcon(const std::filesystem::path& dataDir) {
    QIcon icon = QIcon::fromTheme(kAppId);
    if (!icon.isNull() || dataDir.empty())
        return icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::filesystem::path png = dataDir / "icons" / "hicolor" /
                                          (std::to_string(size) + "x" + std::to_string(size)) /
                                          "apps" / (kAppId.toStdString() + ".png");
        if (std::filesystem::exists(png))
            icon.addFile(QString::fromStdString(png.string()));
    }
    return icon;
}

// The language the settings file forces, read without writing anything: the
// start-up proper reads and repairs the file once the window is built.
qv::WindowLanguage SettingsLanguage(const qv::FolderTreeResult& folders) {
    if (!folders.ok)
        return qv::WindowLanguage::System;
    const qv::TextFileRead read =
        qv::ReadTextLines(folders.tree.programData / qv::kSettingsFileName, 1024 * 1024);
    return read.ok ? qv::ParseSettingsLines(read.lines).windowLanguage : qv::WindowLanguage::System;
}

// What --startup-report prints: where the start-up found the shipped data and
// put the folders. 0 when the shipped folders were there.
int ReportStartup(const qv::StartupResult& startup, bool iconFound,
                  const std::filesystem::path& translation) {
    const std::filesystem::path& shipped = startup.tree.shippedRoot;
    std::error_code ec;
    const bool found = !shipped.empty() && std::filesystem::is_directory(shipped, ec);
    std::cout << "version: " << qv::kVersionText << "\n"
              << "shipped data: " << shipped.string() << (found ? "" : " (missing)") << "\n"
              << "program data: " << startup.tree.programData.string() << "\n"
              << "user folder: " << startup.tree.userFolder.string() << "\n"
              << "files copied: " << startup.shippedCopies.copied << "\n"
              << "icon: " << (iconFound ? "found" : "missing") << "\n"
              << "translation: " << (translation.empty() ? "none" : translation.string()) << "\n";
    return found && startup.foldersReady ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    qv::KeepFreedMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(qv::kVersionText));
    QGuiApplication::setDesktopFileName(kAppId);
    const std::filesystem::path dataDir = qv::InstalledDataDir(QUORVANE_DATADIR_FROM_BINDIR);
    QApplication::setWindowIcon(ProgramIcon(dataDir));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lap, sector, G-force and drift analysis for a GPS lap logger."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption reportOption(
        QStringLiteral("startup-report"),
        QStringLiteral("Start up as usual, print where the shipped data and the folders are, "
                       "and quit."));
    parser.addOption(reportOption);
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A log or lap file to open, as \"Load log data\" or \"Load lap data\" "
                       "would; a running window opens it instead."),
        QStringLiteral("[file]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::cerr << "quorvane: one file at a time\n";
        return 2;
    }
    // Absolute, as a running window has another working folder.
    const std::filesystem::path file =
        files.isEmpty()
            ? std::filesystem::path()
            : std::filesystem::path(QFileInfo(files[0]).absoluteFilePath().toStdString());
    const bool report = parser.isSet(reportOption);

    const qv::FolderSources sources = qv::FolderSourcesFromEnvironment(
        qv::InstalledShippedDir(dataDir), QUORVANE_BUILD_TREE_SHIPPED_DIR);
    const qv::FolderTreeResult folders = qv::ResolveFolderTree(sources);
    QTranslator translator;
    const std::filesystem::path translation = qv::ui::InstallWindowTranslator(
        translator, qv::ui::TranslationFolders(dataDir, QUORVANE_BUILD_TREE_TRANSLATIONS_DIR),
        SettingsLanguage(folders), QLocale::system().name().toStdString());
    qv::ui::SingleInstance instance(
        qv::ui::InstanceKey(folders.ok ? folders.tree.programData : std::filesystem::path()));
    qv::ui::QtPrompter prompter(nullptr);
    if (!instance.Acquire()) {
        if (report) {
            std::cerr << qv::ui::kMsgAlreadyStarted << "\n";
            return 1;
        }
        if (!file.empty() && instance.AskFirstToFront(file))
            return 0;
        prompter.Inform(qv::ui::kMsgAlreadyStarted, qv::MessageIcon::Information);
        instance.AskFirstToFront();
        return 0;
    }
    if (!instance.diagnostic().empty())
        std::cerr << instance.diagnostic() << "\n";

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
    if (report)
        return ReportStartup(window.startup(), !QApplication::windowIcon().isNull(), translation);
    logDialog.UseCircuitIndex(window.circuitIndex());
    QObject::connect(&instance, &qv::ui::SingleInstance::frontRequested, &window,
                     &qv::ui::MainWindow::BringToFront);
    QObject::connect(&instance, &qv::ui::SingleInstance::openRequested, &window,
                     &qv::ui::MainWindow::OpenFile);
    window.playback().StartKeyPoll();
    window.showMaximized();
    window.OpenLibrary();
    if (!file.empty())
        QTimer::singleShot(0, &window, [&window, file] { window.OpenFile(file); });
    return app.exec();
}
