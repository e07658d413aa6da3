#include "device/device_controller.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "device/download_plan.h"

namespace qv {

DeviceController::DeviceController(LapSession& session, Prompter& prompter, TimerService& timers,
                                   EventSink& sink, PortScanner scanner,
                                   DeviceLink::Clock linkClock, LinkPort* port)
    : session_(session),
      prompter_(prompter),
      timers_(timers),
      scanner_(std::move(scanner)),
      link_(sink, std::move(linkClock), port),
      sink_(sink) {
    link_.Locked([this](LinkState& s) { s.image = session_.RawLogBuf.span(); });
}

DeviceController::~DeviceController() {
    Shutdown();
}

void DeviceController::Shutdown() {
    StopTimer(timerComm_);
    StopTimer(watchdog_);
    StopTimer(progress_);
    StopTimer(openDelay_);
    StopTimer(abortWait_);
    link_.Close();
}

void DeviceController::StopTimer(TimerService::TimerId& id) {
    if (id != 0)
        timers_.Stop(id);
    id = 0;
}

void DeviceController::ButtonSetTrigSpdClick(int kmh) {
    triggerRequest_ = std::clamp(kmh, 0, 99);
    view_.triggerSpeed = triggerRequest_;
    RunAction(DeviceAction::WriteTrigger);
}

void DeviceController::SpeedButtonLdGPSClick() {
    if (!Idle())
        return;
    if (slowLevel != 0 && speedDialog) {
        int level = slowLevel;
        if (!speedDialog(level))
            return;
        slowLevel = std::clamp(level, 0, 2);
    }
    RunAction(DeviceAction::Download);
}

void DeviceController::ButtonLogEraseClick() {
    if (!Idle())
        return;
    if (!prompter_.AskYesCancel(kMsgEraseQuestion, MessageIcon::Confirmation))
        return;
    RunAction(DeviceAction::Erase);
}

void DeviceController::RunAction(DeviceAction action) {
    if (!Idle())
        return;
    view_.labels.Clear();
    const std::vector<DeviceRequest> list = RequestsOfAction(action);
    requests_.assign(list.begin(), list.end());
    StartMTKGPS();
}

void DeviceController::StartMTKGPS() {
    link_.Close();
    StopTimer(timerComm_);
    candidates_ = scanner_();
    if (candidates_.empty()) {
        EnaGPSbutton();
        prompter_.Inform(kMsgConnectFailed, MessageIcon::Confirmation);
        return;
    }
    for (auto it = candidates_.rbegin(); it != candidates_.rend(); ++it)
        session_.diagnostics.Insert(*it);
    DisGPSbutton();
    steps_ = StepFlags{};
    accepted_ = false;
    lateReleases_.clear();
    slowProbes_.clear();
    slowWalk_ = false;
    OpenAndAskRelease(candidates_.back(), true);
    timerComm_ = timers_.Start(kProbeFirstMs, false, [this] { TimerCommTick(); });
}

void DeviceController::OpenAndAskRelease(const std::string& port, bool wait) {
    release_.clear();
    model_ = LoggerModel::Unknown;
    portName_ = port;
    ++connection_;
    if (!link_.Open(portName_, steps_))
        return;
    link_.Locked([](LinkState& s) { s.download = DownloadState{}; });
    if (!wait) {
        link_.Enqueue({"PMTK605"});
        return;
    }
    // The logger is given a moment after the port opens.
    StopTimer(openDelay_);
    const unsigned connection = connection_;
    openDelay_ = timers_.Start(100, false, [this, connection] {
        openDelay_ = 0;
        if (connection == connection_ && link_.IsOpen() && !accepted_)
            link_.Enqueue({"PMTK605"});
    });
}

void DeviceController::TimerCommTick() {
    timerComm_ = 0;
    const auto [release, heard] =
        link_.Locked([](LinkState& s) { return std::make_pair(s.release, s.heardRelease); });
    if (accepted_ || StepAccepts(steps_, release))
        return;
    if (!slowWalk_ && !StepsAccepting(heard).empty())
        lateReleases_[portName_] = heard;
    link_.Close();
    if (!slowWalk_) {
        AdvanceStep(steps_);
        if (!candidates_.empty())
            candidates_.pop_back();
        if (!candidates_.empty()) {
            OpenAndAskRelease(candidates_.back(), false);
            timerComm_ = timers_.Start(kProbeNextMs, false, [this] { TimerCommTick(); });
            return;
        }
        // A logger that answered, but too late for the step that asked, is
        // asked again at the steps that suit its release, each given longer.
        slowWalk_ = true;
        for (const auto& [port, late] : lateReleases_) {
            for (const StepFlags& steps : StepsAccepting(late))
                slowProbes_.emplace_back(port, steps);
        }
    }
    if (!NextSlowProbe())
        ConnectFailed();
}

bool DeviceController::NextSlowProbe() {
    if (slowProbes_.empty())
        return false;
    const auto [port, steps] = slowProbes_.front();
    slowProbes_.pop_front();
    steps_ = steps;
    OpenAndAskRelease(port, true);
    timerComm_ = timers_.Start(kProbeSlowMs, false, [this] { TimerCommTick(); });
    return true;
}

void DeviceController::ConnectFailed() {
    EnaGPSbutton();
    prompter_.Inform(kMsgConnectFailed, MessageIcon::Confirmation);
}

void DeviceController::OnReleaseReported() {
    if (accepted_ || !link_.IsOpen())
        return;
    const std::string release = link_.Locked([](LinkState& s) { return s.release; });
    if (!StepAccepts(steps_, release))
        return;
    StopTimer(timerComm_);
    accepted_ = true;
    release_ = release;
    model_ = IdentifyModel(release);
    link_.Locked([this](LinkState& s) { s.model = model_; });
    AcptMTKGPSreq();
}

void DeviceController::OnLinkEvent(LinkEvent event, int wParam) {
    switch (event) {
        case LinkEvent::QueueDrained:
            if (accepted_ && link_.IsOpen())
                AcptMTKGPSreq();
            break;
        case LinkEvent::ReleaseReported:
            OnReleaseReported();
            break;
        case LinkEvent::LinkFailed:
            if (!link_.IsOpen())
                break;
            if (wParam == kPortLost) {
                PortLost();
                break;
            }
            StopTimer(timerComm_);
            StopWatchdog();
            DownloadFailed();
            link_.Close();
            EnaGPSbutton();
            prompter_.Inform(kMsgCommFailed, MessageIcon::Confirmation);
            break;
        case LinkEvent::DataArrived:
            if (watchdog_ != 0)
                RestartWatchdog(kWatchdogMs);
            break;
        case LinkEvent::ReplyArrived:
            // The watchdog waits for a logger that has gone silent, not for
            // a long batch that a slow logger is still answering.
            if (watchdog_ != 0)
                RestartWatchdog(watchdogMs_);
            break;
        case LinkEvent::DownloadStarted:
            view_.progressShown = true;
            view_.progressPercent = 0;
            view_.slowSpeedNote = slowLevel != 0;
            view_.abortShown = model_ != LoggerModel::QV4;
            StopTimer(progress_);
            progress_ = timers_.Start(kProgressTickMs, true, [this] { ProgressTick(); });
            break;
        case LinkEvent::DownloadFinished:
            FinishAfterDownload();
            break;
    }
}

void DeviceController::OnLinkText(LinkTextList list, std::string text) {
    if (list == LinkTextList::Sentence)
        view_.sentences.Insert(std::move(text));
    else
        session_.diagnostics.Insert(std::move(text));
}

void DeviceController::Deliver(const LinkMessage& message) {
    if (message.isText)
        OnLinkText(message.list, message.text);
    else
        OnLinkEvent(message.event, message.wParam);
}

void DeviceController::EndConnection() {
    StopWatchdog();
    link_.Close();
    EnaGPSbutton();
}

void DeviceController::Abandon(const std::string& text, MessageIcon icon) {
    EndConnection();
    requests_.clear();
    prompter_.Inform(text, icon);
}

void DeviceController::QueueBatch(const std::vector<std::string>& commands, int watchdogMs) {
    RestartWatchdog(watchdogMs);
    link_.Enqueue(commands);
}

void DeviceController::AcptMTKGPSreq() {
    while (true) {
        if (requests_.empty()) {
            downloading_ = false;
            EndConnection();
            return;
        }
        current_ = requests_.front();
        requests_.pop_front();
        using R = DeviceRequest;
        switch (current_) {
            case R::MTK_CHECK_STAT_QV3:
            case R::MTK_CHECK_STAT:
                link_.Locked([this](LinkState& s) {
                    if (current_ == R::MTK_CHECK_STAT)
                        s.status = StatusFields{};
                    else
                        s.status.ClearKeepingVersion();
                });
                QueueBatch(StatusQueryCommands(current_, model_, release_));
                return;
            case R::MTK_SET_10Hz:
                if (model_ == LoggerModel::Generic &&
                    Status().baudConfiguration != kGenericBaudConfiguration) {
                    Abandon(kMsgUpdateFirmware, MessageIcon::Confirmation);
                    return;
                }
                QueueBatch(ModeCommands(current_, model_));
                return;
            case R::MTK_SET_5Hz:
                QueueBatch(ModeCommands(current_, model_));
                return;
            case R::MTK_SET_2Hz_20Hz:
                if (model_ != LoggerModel::QV4) {
                    Abandon(kMsg20HzRefused, MessageIcon::Warning);
                    return;
                }
                QueueBatch(ModeCommands(current_, model_));
                return;
            case R::TSI_SET_TRIG: {
                const std::string command = TriggerSpeedCommand(triggerRequest_, model_, release_);
                if (command.empty()) {
                    Abandon(kMsgNoTriggerSpeed, MessageIcon::Warning);
                    return;
                }
                QueueBatch({command});
                return;
            }
            case R::MTK_FORMAT_ALL:
                QueueBatch({kEraseCommand}, kEraseWatchdogMs);
                return;
            case R::MTK_READ_LOG:
                StartDownload();
                return;
            case R::MTK_RET_DTFIX:
                if (model_ == LoggerModel::QV3)
                    break;
                QueueBatch({FixIntervalCommand(Status().logTimeInterval, 1000)});
                return;
            case R::MTK_ANLZ_LOG:
                finished_ = true;
                downloading_ = false;
                link_.Locked([](LinkState& s) { s.download.kind = DownloadKind::None; });
                if (requests_.empty())
                    EndConnection();
                break;
            case R::MTK_VIEW_STAT:
            case R::MTK_VIEW_STAT2:
            case R::MTK_FORMAT_MSG:
            case R::MTK_SETUP_MSG:
                if (!HandleShowRequest(current_))
                    return;
                break;
        }
    }
}

// A request that only shows something; false when the sequencer run ends.
bool DeviceController::HandleShowRequest(DeviceRequest request) {
    using R = DeviceRequest;
    const bool last = requests_.empty();
    const StatusFields status = Status();
    // Nothing is outstanding now: a message left open must not time the
    // link out.
    StopWatchdog();
    if (last)
        EndConnection();
    switch (request) {
        case R::MTK_VIEW_STAT:
        case R::MTK_VIEW_STAT2: {
            const bool second = request == R::MTK_VIEW_STAT2;
            const StatusView shown = ShowStatus(status, model_, release_, portName_, second);
            view_.labels = shown.labels;
            view_.modeProblem = shown.modeProblem;
            if (shown.triggerSpeed >= 0) {
                view_.triggerSpeed = shown.triggerSpeed;
                ++view_.triggerReads;
            }
            if (shown.modeProblem && !second) {
                prompter_.Inform(model_ == LoggerModel::QV4 ? kMsgSetupQv4 : kMsgSetupOther,
                                 MessageIcon::Information);
            } else if (shown.modeProblem &&
                       prompter_.AskYesNo(kMsgUnknownModeQuestion, MessageIcon::Confirmation)) {
                requests_.push_back(model_ == LoggerModel::QV4 ? R::MTK_SET_10Hz : R::MTK_SET_5Hz);
                requests_.push_back(R::MTK_CHECK_STAT);
                requests_.push_back(R::MTK_VIEW_STAT);
                StartMTKGPS();
                return false;
            }
            break;
        }
        case R::MTK_FORMAT_MSG:
            prompter_.Inform(kMsgEraseCompleted, MessageIcon::Information);
            if (last) {
                requests_.push_back(R::MTK_CHECK_STAT);
                requests_.push_back(R::MTK_VIEW_STAT2);
                StartMTKGPS();
                return false;
            }
            break;
        case R::MTK_SETUP_MSG:
            prompter_.Inform(kMsgSetupCompleted, MessageIcon::Information);
            break;
        default:
            break;
    }
    return !last;
}

void DeviceController::StartDownload() {
    const StatusFields status = Status();
    int first = 0;
    int last = LastSectorToRead(status.logNextAddress);
    if (model_ == LoggerModel::QV3 && last >= 24) {
        StopWatchdog();
        const int units = (last + 15) / 16;
        int start = 0;
        int end = units;
        if (rangeDialog && rangeDialog(last, start, end))
            ApplyRange(std::clamp(start, 0, units), std::clamp(end, 1, units), first, last);
    }
    DownloadPlan plan = PlanDownload(model_, status, release_, slowLevel, first, last);
    link_.Locked([&plan, this](LinkState& s) {
        std::memset(s.image.data(), 0xFF, std::min(plan.fillBytes, s.image.size()));
        s.download = DownloadState{};
        s.download.kind = plan.kind;
        s.download.pending = plan.pending;
        s.download.totalUnits = plan.totalUnits;
        s.download.slowLevel = slowLevel;
        s.download.restoreCommand = plan.restoreCommand;
    });
    view_.progressBytes = 0;
    view_.progressTotalBytes = plan.readBytes;
    downloading_ = true;
    finished_ = false;
    // Posted before the reads go out: a fast logger's last answer must not
    // overtake it, or the progress dialog would never see the end.
    sink_.PostEvent(LinkEvent::DownloadStarted, 0);
    QueueBatch(plan.commands);
}

void DeviceController::ProgressTick() {
    if (downloading_) {
        // Units done of the units planned.
        const auto [done, total] = link_.Locked([](LinkState& s) {
            const DownloadState& d = s.download;
            const long units = d.kind == DownloadKind::Qv4Stream
                                   ? d.receivedUnits
                                   : d.totalUnits - static_cast<long>(s.queue.size());
            return std::pair<long, long>(std::clamp(units, 0L, long{d.totalUnits}), d.totalUnits);
        });
        view_.progressPercent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        view_.progressBytes = total > 0 ? view_.progressTotalBytes * done / total : 0;
        return;
    }
    StopTimer(progress_);
    view_.progressShown = false;
    if (finished_) {
        finished_ = false;
        sink_.PostEvent(LinkEvent::DownloadFinished, 0);
    }
}

void DeviceController::FinishAfterDownload() {
    if (link_.IsOpen())
        return;
    const std::string used = Status().logNextAddress;
    const TDateTime when = now ? now() : 0.0;
    view_.lastDownload = FinishDownload(session_, prompter_, model_, used, when);
    if (!view_.lastDownload.error.empty())
        prompter_.Inform(view_.lastDownload.error, MessageIcon::Error);
    view_.logReady = view_.lastDownload.enoughFixes;
}

void DeviceController::AbortDownload() {
    if (!downloading_)
        return;
    downloading_ = false;
    StopTimer(progress_);
    view_.progressShown = false;
    StopWatchdog();
    link_.Close();
    // The logger may still be sending the piece it was asked for: the
    // reconnection waits until it is done. The buttons stay disabled
    // meanwhile, as nothing may start in between.
    StopTimer(abortWait_);
    abortWait_ = timers_.Start(kAbortWaitMs, false, [this] {
        abortWait_ = 0;
        link_.Locked([](LinkState& s) {
            s.queue.clear();
            s.download = DownloadState{};
        });
        const std::vector<DeviceRequest> list = RequestsAfterAbort(model_);
        requests_.assign(list.begin(), list.end());
        StartMTKGPS();
    });
}

void DeviceController::RestartWatchdog(int ms) {
    StopTimer(watchdog_);
    watchdogMs_ = ms;
    watchdog_ = timers_.Start(ms, false, [this] { TimerGpsCommSvTick(); });
}

void DeviceController::StopWatchdog() {
    StopTimer(watchdog_);
}

void DeviceController::TimerGpsCommSvTick() {
    watchdog_ = 0;
    if (!link_.IsOpen())
        return;
    DownloadFailed();
    link_.Close();
    EnaGPSbutton();
    prompter_.Inform(kMsgCommTimeout, MessageIcon::Confirmation);
}

void DeviceController::PortLost() {
    // While the probe runs, its next step finds the port gone. Once the
    // logger was found, a pulled cable ends the exchange as the watchdog
    // would, without making the user wait for it.
    link_.Close();
    if (!accepted_)
        return;
    StopWatchdog();
    DownloadFailed();
    EnaGPSbutton();
    prompter_.Inform(kMsgCommTimeout, MessageIcon::Confirmation);
}

void DeviceController::DownloadFailed() {
    // A generic logger that could not be read whole is read in smaller
    // pieces next time, which the speed selection dialog then offers.
    if (downloading_ && model_ == LoggerModel::Generic)
        slowLevel = SlowerLevel(slowLevel);
    downloading_ = false;
}

}  // namespace qv
