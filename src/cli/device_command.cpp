#include "cli/device_command.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/session.h"
#include "cli/cli_prompter.h"
#include "cli/progress_line.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "core/local_time.h"
#include "device/device_controller.h"
#include "device/real_timers.h"
#include "device/serial_port.h"

namespace qv::cli {

const char* const kDeviceUsage =
    "usage: quorvane-cli device ACTION [--port PATH] [--out FILE]\n"
    "\n"
    "actions:\n"
    "  scan            the serial ports a connection would try\n"
    "  status          mode, free memory, port, firmware and trigger speed\n"
    "  set-mode HZ     logging mode 20, 10 or 5\n"
    "  set-trigger KMH trigger speed 0 to 99 km/h\n"
    "  erase           erase the log in the logger\n"
    "  download        read the log, save it (--out FILE, else the default name in\n"
    "                  the current folder; an existing file is never replaced) and\n"
    "                  print its records and log blocks\n"
    "\n"
    "Ports are /dev/ttyUSB*, /dev/ttyACM* and those in QUORVANE_PORTS\n"
    "(colon-separated); --port tries only PATH.\n";

namespace {

// Answers the erase question itself (the command asked for it) and the save
// dialog with the chosen file; every other question is answered No.
class DevicePrompter : public CliPrompter {
  public:
    DevicePrompter(std::ostream& err, std::string saveAs) : CliPrompter(err), saveAs_(saveAs) {}

    void Inform(const std::string& text, MessageIcon icon) override {
        messages.push_back(text);
        CliPrompter::Inform(text, icon);
    }
    bool AskYesCancel(const std::string& text, MessageIcon icon) override {
        if (text == kMsgEraseQuestion)
            return true;
        return CliPrompter::AskYesCancel(text, icon);
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        if (!saveAs_.empty())
            return saveAs_;
        return (std::filesystem::current_path() / request.proposedName).string();
    }

    std::vector<std::string> messages;

  private:
    std::string saveAs_;
};

bool Failed(const std::vector<std::string>& messages) {
    for (const std::string& m : messages) {
        for (const char* failure : {kMsgConnectFailed, kMsgCommFailed, kMsgCommTimeout,
                                    kMsgUpdateFirmware, kMsg20HzRefused, kMsgNoTriggerSpeed})
            if (m == failure)
                return true;
    }
    return false;
}

void PrintLabels(const StatusLabels& l, std::ostream& out) {
    const std::pair<const char*, const StatusLabel*> rows[] = {
        {"mode", &l.LabelCurrntMode}, {"memory", &l.LabelLogStat},
        {"port", &l.LabelPort},       {"firmware", &l.LabelDtVer},
        {"trigger", &l.LabelTrigSpd}, {"trigger warning", &l.LabelTrigSpd2}};
    for (const auto& [name, label] : rows) {
        if (label->text.empty())
            continue;
        out << name << ": " << label->text;
        if (label->colour == LabelColour::Red)
            out << " [red]";
        out << "\n";
    }
}

bool ParseNumber(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -1000 || v > 1000)
        return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

int RunDevice(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string action, value, port, saveAs;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--port" || a == "--out") && i + 1 < args.size()) {
            (a == "--port" ? port : saveAs) = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            err << "quorvane-cli: unknown option " << a << "\n";
            return 2;
        } else if (action.empty()) {
            action = a;
        } else if (value.empty()) {
            value = a;
        } else {
            err << "quorvane-cli: unexpected argument " << a << "\n";
            return 2;
        }
    }
    const char* env = std::getenv("QUORVANE_PORTS");
    auto scanner = [port, env] {
        if (!port.empty())
            return PortPresent(port) ? std::vector<std::string>(4, port)
                                     : std::vector<std::string>{};
        return ScanPorts(env != nullptr ? env : "");
    };
    if (action == "scan") {
        const std::vector<std::string> found = scanner();
        for (size_t i = 0; i < found.size(); i += 4)
            out << found[i] << "\n";
        return found.empty() ? 1 : 0;
    }
    int number = 0;
    const bool needsValue = action == "set-mode" || action == "set-trigger";
    if (needsValue && !ParseNumber(value, number)) {
        err << "quorvane-cli: " << action << " needs a number\n";
        return 2;
    }
    if (!needsValue && !value.empty()) {
        err << "quorvane-cli: unexpected argument " << value << "\n";
        return 2;
    }

    auto session = std::make_unique<Session>(LocalTimeBaseFromBias(StandardTimeBiasMinutes()));
    DevicePrompter prompter(err, saveAs);
    RealTimers timers;
    EventQueue queue;
    DeviceController controller(*session, prompter, timers, queue, scanner);
    const TDateTime base = session->LocalTimeBase;
    controller.now = [base] {
        const auto since = std::chrono::system_clock::now().time_since_epoch();
        return LoggerTimeToLocal(std::chrono::duration<double>(since).count(), base);
    };
    if (action == "status") {
        controller.ButtonLogSpaceClick();
    } else if (action == "set-mode") {
        if (number == 20)
            controller.ButtonSet2HzClick();
        else if (number == 10)
            controller.ButtonSet10HzClick();
        else if (number == 5)
            controller.ButtonSet5HzClick();
        else {
            err << "quorvane-cli: set-mode takes 20, 10 or 5\n";
            return 2;
        }
    } else if (action == "set-trigger") {
        if (number < 0 || number > 99) {
            err << "quorvane-cli: set-trigger takes 0 to 99\n";
            return 2;
        }
        controller.ButtonSetTrigSpdClick(number);
    } else if (action == "erase") {
        controller.ButtonLogEraseClick();
    } else if (action == "download") {
        controller.SpeedButtonLdGPSClick();
    } else {
        err << (action.empty() ? std::string("quorvane-cli: device needs an action")
                               : "quorvane-cli: unknown device action " + action)
            << "\n";
        return 2;
    }
    ProgressLine progress(err, action == "download");
    bool progressShown = false;
    const DeviceView& view = controller.View();
    RunDeviceLoop(controller, queue, timers, [&] {
        if (!view.progressShown)
            return;
        progress.Show("download", view.progressBytes, view.progressTotalBytes);
        progressShown = true;
    });
    if (progressShown) {
        // The progress timer stops before its last figures are read.
        const bool whole = view.lastDownload.saved;
        progress.Finish("download", whole ? view.progressTotalBytes : view.progressBytes,
                        view.progressTotalBytes);
    }
    controller.Shutdown();

    PrintLabels(controller.View().labels, out);
    if (action == "download") {
        const DownloadSaveResult& d = controller.View().lastDownload;
        if (d.saved)
            out << "saved: " << d.savedPath.string() << "\n";
        if (d.fixCount > 0 || controller.View().logReady) {
            out << StrFormat("%d records", session->log.LogItemNum) << "\n";
            out << "blocks: " << session->log.LogBlockNum() << "\n";
            for (const TLogBlock& b : session->log.LogBlocks) {
                out << "  " << b.Title << "  " << FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", b.DtTm)
                    << "  " << b.RecNum << " fixes\n";
            }
        }
        if (!d.saved)
            return 1;
    }
    return Failed(prompter.messages) ? 1 : 0;
}

}  // namespace qv::cli
