#pragma once
// The device page's logic on the main thread: connecting and identifying
// the logger (`StartMTKGPS` with the probe timer `TimerComm`), the request
// sequencer `AcptMTKGPSreq`, the watchdog `TimerGpsCommSv`, the download's
// progress and end, and the status texts. The window calls the button
// methods and delivers every EventSink call back to OnLinkEvent and
// OnLinkText on this thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/diagnostic_list.h"
#include "core/prompter.h"
#include "core/timer_service.h"
#include "device/device_link.h"
#include "device/device_requests.h"
#include "device/download_save.h"
#include "device/event_queue.h"
#include "device/status_display.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kMsgConnectFailed =
    "Failed to connect GPS module.\rPlease check the power switch or connection with the USB "
    "cable.\rOtherwise turn on the switch over again.";
inline constexpr const char* kMsgCommFailed =
    "Failed to communicate GPS module.\rAborted processing.";
inline constexpr const char* kMsgCommTimeout = "Communication timeout.\rAborted processing.";
inline constexpr const char* kMsgEraseQuestion = "Do you erase log data in GPS module?";
inline constexpr const char* kMsgEraseCompleted = "Erase completed.";
inline constexpr const char* kMsgSetupCompleted = "Setup completed.";
inline constexpr const char* kMsgUpdateFirmware = "Please update GPS firmware.";
inline constexpr const char* kMsg20HzRefused = "\"20Hz\" is a setting for Quorvane4";
inline constexpr const char* kMsgSetupQv4 = "Please setup GPS module.\r( 10Hz / 5Hz / 20Hz )";
inline constexpr const char* kMsgSetupOther = "Please setup GPS module.\r( 5Hz / 10Hz / 2Hz )";
inline constexpr const char* kMsgUnknownModeQuestion = "Unknown mode.\rDo you want to run setup?";
inline constexpr const char* kMsgNoTriggerSpeed = "This GPS module has no trigger-speed setting.";

inline constexpr int kProbeFirstMs = 650;
inline constexpr int kProbeNextMs = 750;
// A step of the second probe walk, for a logger whose release came too late
// for the first: long enough for an answer that takes a few seconds.
inline constexpr int kProbeSlowMs = 3500;
inline constexpr int kProgressTickMs = 50;
inline constexpr int kAbortWaitMs = 200;

// What the device page shows.
struct DeviceView {
    StatusLabels labels;
    bool buttonsEnabled = true;  // DisGPSbutton / EnaGPSbutton, with the hourglass cursor
    int triggerSpeed = 30;       // UpDownTrigSpd
    int triggerReads = 0;        // counts the reads, so that each one resets the control
    bool modeProblem = false;
    DiagnosticList sentences{kSentenceLines};  // ListBox2; ListBox1 is Session::diagnostics
    // The download progress dialog.
    bool progressShown = false;
    int progressPercent = 0;
    int64_t progressBytes = 0;  // of progressTotalBytes, in step with the percent
    int64_t progressTotalBytes = 0;
    bool slowSpeedNote = false;  // "*Slow speed mode."
    bool abortShown = false;     // hidden for a QV4 logger
    // A downloaded log waits for the log-block dialog.
    bool logReady = false;
    DownloadSaveResult lastDownload;
};

class DeviceController {
  public:
    // The candidate ports of one connection, each entered four times.
    using PortScanner = std::function<std::vector<std::string>()>;
    // The QV3 range dialog: the last sector in, start and end units (1 MiB)
    // out; false when cancelled, which keeps the whole range.
    using RangeDialog = std::function<bool(int lastSector, int& startUnit, int& endUnit)>;

    // `port`: what the link talks over instead of the serial port (see
    // DeviceLink).
    DeviceController(LapSession& session, Prompter& prompter, TimerService& timers, EventSink& sink,
                     PortScanner scanner, DeviceLink::Clock linkClock = {},
                     LinkPort* port = nullptr);
    ~DeviceController();
    DeviceController(const DeviceController&) = delete;
    DeviceController& operator=(const DeviceController&) = delete;

    // The buttons of the device page and the download button.
    void ButtonSet2HzClick() { RunAction(DeviceAction::Set20Hz); }
    void ButtonSet10HzClick() { RunAction(DeviceAction::Set10Hz); }
    void ButtonSet5HzClick() { RunAction(DeviceAction::Set5Hz); }
    void ButtonSetTrigSpdClick(int kmh);
    void ButtonLogSpaceClick() { RunAction(DeviceAction::ShowStatus); }
    void ButtonLogEraseClick();
    // Asks for the read speed first once a failed generic download has
    // lowered it.
    void SpeedButtonLdGPSClick();
    // "Abort" of the progress dialog.
    void AbortDownload();
    // The window is going away: the link closes, timers stop.
    void Shutdown();

    void OnLinkEvent(LinkEvent event, int wParam);
    void OnLinkText(LinkTextList list, std::string text);
    void Deliver(const LinkMessage& message);

    const DeviceView& View() const { return view_; }
    // Taken by the log-block dialog step.
    void TakeLog() { view_.logReady = false; }
    // No connection runs: the buttons are enabled.
    bool Idle() const { return view_.buttonsEnabled; }
    LoggerModel Model() const { return model_; }
    const std::string& Release() const { return release_; }
    const std::string& PortName() const { return portName_; }
    StatusFields Status() {
        return link_.Locked([](LinkState& s) { return s.status; });
    }
    DeviceLink& Link() { return link_; }

    RangeDialog rangeDialog;
    // The speed selection dialog: the level to preselect in, the chosen one
    // out; false when cancelled, which ends the download command.
    std::function<bool(int& slowLevel)> speedDialog;
    std::function<TDateTime()> now;  // local standard time, names the saved log
    int slowLevel = 0;               // generic read size, see DownloadState

  private:
    void RunAction(DeviceAction action);
    void StartMTKGPS();
    void OpenAndAskRelease(const std::string& port, bool wait);
    void TimerCommTick();
    bool NextSlowProbe();
    void ConnectFailed();
    void PortLost();
    void OnReleaseReported();
    void AcptMTKGPSreq();
    bool HandleShowRequest(DeviceRequest request);
    void QueueBatch(const std::vector<std::string>& commands, int watchdogMs = kWatchdogMs);
    void StartDownload();
    void ProgressTick();
    void FinishAfterDownload();
    void Abandon(const std::string& text, MessageIcon icon);
    void EndConnection();
    void RestartWatchdog(int ms);
    void StopWatchdog();
    void StopTimer(TimerService::TimerId& id);
    void TimerGpsCommSvTick();
    void DownloadFailed();
    void DisGPSbutton() { view_.buttonsEnabled = false; }
    void EnaGPSbutton() { view_.buttonsEnabled = true; }

    LapSession& session_;
    Prompter& prompter_;
    TimerService& timers_;
    PortScanner scanner_;
    DeviceLink link_;
    EventSink& sink_;

    std::deque<DeviceRequest> requests_;
    DeviceRequest current_ = DeviceRequest::MTK_CHECK_STAT;
    std::vector<std::string> candidates_;
    // Releases that came too late for the step that asked, by port, and the
    // second walk they lead to.
    std::map<std::string, std::string> lateReleases_;
    std::deque<std::pair<std::string, StepFlags>> slowProbes_;
    bool slowWalk_ = false;
    std::string portName_;
    StepFlags steps_;
    std::string release_;
    LoggerModel model_ = LoggerModel::Unknown;
    bool accepted_ = false;  // the probe found the logger; the sequencer runs
    bool downloading_ = false;
    bool finished_ = false;
    int triggerRequest_ = 30;
    unsigned connection_ = 0;  // tells a stale delayed open from the current one

    TimerService::TimerId timerComm_ = 0;
    TimerService::TimerId watchdog_ = 0;
    int watchdogMs_ = kWatchdogMs;
    TimerService::TimerId progress_ = 0;
    TimerService::TimerId openDelay_ = 0;
    TimerService::TimerId abortWait_ = 0;
    DeviceView view_;
};

}  // namespace qv
