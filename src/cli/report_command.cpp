// The report is drawn by the window's own painter through Qt Gui into a
// PDF, so that paper from the command line and from the window is the
// same. It starts a QGuiApplication on the offscreen platform unless
// QT_QPA_PLATFORM names another, and runs in the companion program (see
// companion.h), so that every other command stays free of Qt.
#include "cli/report_command.h"

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "core/atomic_file.h"
#include "ui/report/report_document.h"

namespace qv::cli {

const char* const kReportUsage =
    "usage: quorvane-cli report LAP... -o FILE.pdf [--paper a4|letter] [lap options]\n"
    "\n"
    "Puts up to four laps (LAP as for `lap`) into the slots A to D as the program\n"
    "does and writes the session report as the window's \"Export report (PDF)\"\n"
    "does: a summary of the lap list (best and ideal lap, achievable best lap,\n"
    "consistency, lap-time plot), the laps with the +- of each lap time, the\n"
    "sector table, the speed graph and the course map of the slots, and the\n"
    "corner table. The paper is Letter for US and Canadian locales and A4\n"
    "otherwise, unless --paper says. The file is replaced only once the whole\n"
    "report is written.\n"
    "\n"
    "lap options:\n";

namespace {

// Qt keeps pointers to argc and argv for the application's life.
int gArgc = 1;
char gProgramName[] = "quorvane-cli";
char* gArgv[] = {gProgramName, nullptr};

QtMessageHandler gQtMessages = nullptr;

// Without XDG_RUNTIME_DIR Qt warns that it makes a runtime folder of its
// own. Drawing a PDF needs none, so on such machines (containers, cron, ssh
// without a login session) the warning would only alarm; the rest of Qt's
// messages pass.
void PassQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (gQtMessages != nullptr)
        gQtMessages(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::vector<std::string> laps;
    std::string output;
    std::optional<Paper> paper;
    const auto own = [&](const std::vector<std::string>& all, size_t& k) {
        const std::string& a = all[k];
        if (a != "-o" && a != "--output" && a != "--paper")
            return OptionParse::NotMine;
        if (k + 1 >= all.size()) {
            err << "quorvane-cli: " << a << " needs a value\n";
            return OptionParse::Failed;
        }
        const std::string& v = all[++k];
        if (a == "--paper") {
            if (v != "a4" && v != "letter") {
                err << "quorvane-cli: --paper takes a4 or letter\n";
                return OptionParse::Failed;
            }
            paper = v == "letter" ? Paper::kLetter : Paper::kA4;
        } else {
            output = v;
        }
        return OptionParse::Taken;
    };
    if (const int code = ParseLapCommand(args, options, err, own, CollectLaps(laps)))
        return code;
    if (!FitTheSlots(laps, "report", err))
        return 2;
    if (output.empty()) {
        err << "quorvane-cli: report needs -o FILE.pdf\n";
        return 2;
    }
    CliSession cli(options, err);
    if (!cli.Ready() || !LapArgumentResolver(cli, err).ShowInSlots(laps))
        return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    gQtMessages = qInstallMessageHandler(PassQtMessage);
    QGuiApplication app(gArgc, gArgv);
    const QByteArray pdf =
        ui::ReportPdf(ui::MakeReport(cli.session(), paper.value_or(ui::LocalePaper())));
    if (pdf.isEmpty()) {
        err << "quorvane-cli: the report could not be drawn\n";
        return 1;
    }
    const WriteResult written = WriteFileAtomically(
        output, std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())));
    if (!written.ok) {
        err << "quorvane-cli: " << output << ": " << written.error << "\n";
        return 1;
    }
    out << output << "\n";
    return 0;
}

}  // namespace qv::cli
