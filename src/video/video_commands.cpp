#include "video/video_commands.h"

#include <algorithm>
#include <system_error>

#include "core/save_path.h"
#include "core/text_file.h"

namespace qv {
namespace {

constexpr int kFirstPositionWaitMs = 100;
constexpr int kSecondPositionWaitMs = 300;
constexpr int64_t kFirstPositionNudge = 66000;
constexpr int kGlyphWaitMs = 10;
constexpr int kReloadWaitMs = 200;

const char* const kVsyFilter = "Video Info Files|*.vsy";
const char* const kMsgUnreadableVideo = "Failed to read video file.";

bool IsPlaying(PlayerState s) {
    return s == PlayerState::psPlay || s == PlayerState::psResume;
}

bool IsStill(PlayerState s) {
    return s == PlayerState::psPause || s == PlayerState::psStep;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

// Where the program hears the video's sound; it is played as decoded.
void PassAudioThrough(int64_t, int16_t*, int, int, int) {}

VideoCommands::VideoCommands(Prompter& prompter, TimerService& timers, PlayerEventSink& sink,
                             Host host, std::filesystem::path documentsRoot)
    : prompter_(prompter),
      timers_(timers),
      host_(std::move(host)),
      videoFolder_(documentsRoot),
      syncFolder_(std::move(documentsRoot)),
      player_(std::make_unique<Player>(sink)) {}

VideoCommands::~VideoCommands() {
    Shutdown();
}

void VideoCommands::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    timers_.Stop(checkTimer_);
    timers_.Stop(videoTimer_);
    for (TimerService::TimerId id : waits_)
        timers_.Stop(id);
    waits_.clear();
    player_->Stop();
}

void VideoCommands::Changed() {
    if (host_.changed)
        host_.changed();
}

void VideoCommands::After(int ms, std::function<void()> then) {
    auto id = std::make_shared<TimerService::TimerId>(0);
    *id = timers_.Start(ms, false, [this, id, then = std::move(then)] {
        waits_.erase(std::remove(waits_.begin(), waits_.end(), *id), waits_.end());
        then();
    });
    waits_.push_back(*id);
}

void VideoCommands::PrepareOpen() {
    player_->vfilters = VideoFilterText(s_.brightness, s_.contrast, s_.hue, s_.saturation);
    player_->liveFilters = &filters_;
    player_->videoDriver = VideoDriver::vdDefault;
    player_->audioDriver = AudioDriver::adDefault;
    player_->onAudioHook = PassAudioThrough;
    // Known before opening, so that the first frame is made at the size
    // it is shown at.
    if (host_.screenSize) {
        int width = 0, height = 0;
        host_.screenSize(width, height);
        player_->UpdateScreenPosition(width, height);
    }
}

bool VideoCommands::OpenPaused(const std::string& file) {
    PrepareOpen();
    if (!player_->Open(file, true)) {
        player_->Seek(SeekFlag::sfAny, 0);
        return false;
    }
    // Known now, so that a .vsy opened with it anchors at once; the
    // file-open event brings the same value.
    s_.duration = player_->Duration();
    ++fileOpensDue_;
    s_.firstPosition = true;
    s_.secondPosition = true;
    s_.backStep = kVideoBackStepAfterOpen;
    view_.pausedGlyph = true;
    return true;
}

void VideoCommands::OpenVideo() {
    if (!LoadAVLib("LibAV"))
        return;
    FileDialogRequest request{"Open video", kVideoFilter, videoFolder_.string(), ""};
    const std::optional<std::string> chosen = prompter_.ChooseOpenFile(request);
    if (!chosen)
        return;
    videoFolder_ = std::filesystem::path(*chosen).parent_path();
    syncName_.clear();
    if (OpenPaused(*chosen)) {
        s_.fileName = *chosen;
        Changed();
        return;
    }
    // Opening closed the video before it, so nothing is left to sync to.
    ForgetVideo();
    Changed();
    prompter_.Inform(kMsgUnreadableVideo, MessageIcon::Warning);
}

void VideoCommands::ForgetVideo() {
    // Their files are closed: the file-open events still on the way would
    // bring the video back.
    fileOpensToDrop_ = fileOpensDue_;
    s_.fileName.clear();
    s_.duration = 0;
    timers_.Stop(checkTimer_);
    checkTimer_ = 0;
    s_.syncOn = false;
    player_->Stop();
    Free();
    view_.timeLabel = ".";
    view_.pausedGlyph = true;
    view_.image.reset();
}

void VideoCommands::RemoveVideo() {
    ForgetVideo();
    syncName_.clear();
    Changed();
}

void VideoCommands::ReloadVideo() {
    if (!FileExists(s_.fileName))
        return;
    const auto reload = [this] {
        player_->Stop();
        view_.pausedGlyph = true;
        if (!OpenPaused(s_.fileName)) {
            ForgetVideo();
            prompter_.Inform(kMsgUnreadableVideo, MessageIcon::Warning);
        }
        Changed();
    };
    if (host_.lapPlaying && host_.lapPlaying()) {
        if (host_.pressPlayPause)
            host_.pressPlayPause();
        After(kReloadWaitMs, reload);
    } else {
        reload();
    }
}

void VideoCommands::ResetVideoPlayTime() {
    if (!s_.loaded() || !IsStill(player_->State()))
        return;
    player_->Seek(SeekFlag::sfAny, 0);
    player_->Resume();
    After(kVideoSettleMs, [this] { player_->Pause(); });
}

void VideoCommands::PlayPauseVideo() {
    player_->TogglePause();
    After(kGlyphWaitMs, [this] {
        view_.pausedGlyph = player_->Paused();
        Changed();
    });
}

void VideoCommands::ForwardVideoFrame() {
    if (s_.loaded() && player_->Paused())
        player_->StepToNextFrame();
}

void VideoCommands::BackwardVideoFrame() {
    if (!s_.loaded() || !player_->Paused())
        return;
    const int64_t target = player_->CurrentPTS() - s_.backStep;
    if (target < 0)
        player_->Seek(SeekFlag::sfAny, 0);
    else
        player_->Seek(SeekFlag::kPrecise, target);
}

void VideoCommands::SyncFree() {
    if (!s_.loaded() || !player_->Paused())
        return;
    if (s_.syncOn) {
        Free();
    } else {
        const SlotALap lap = host_.slotA ? host_.slotA() : SlotALap{};
        const Float80 playTime = host_.playTime ? host_.playTime() : 0;
        if (!SyncVideoAt(s_, lap, playTime, player_->CurrentPTS()))
            return;
        ShowTied();
    }
    Changed();
}

bool VideoCommands::TieLapStartAt(int64_t lapStartVideoTime) {
    const SlotALap lap = host_.slotA ? host_.slotA() : SlotALap{};
    if (!s_.loaded() || !SyncVideoAt(s_, lap, 0, lapStartVideoTime))
        return false;
    ShowTied();
    // Tied by hand, the picture shows the cursor's moment; so it does here.
    player_->Pause();
    view_.pausedGlyph = true;
    const Float80 playTime = host_.playTime ? host_.playTime() : 0;
    const int64_t cursorTime = MappedVideoTime(Status(), playTime);
    if (cursorTime >= 0 && cursorTime <= s_.duration)
        player_->Seek(SeekFlag::kPrecise, cursorTime);
    Changed();
    return true;
}

void VideoCommands::ShowTied() {
    view_.free = false;
    view_.saveSyncEnabled = true;
    view_.barHint = false;
    view_.startLabel = VideoStartText(s_);
    view_.startHint = VideoStartHint(s_);
    s_.syncOn = true;
}

void VideoCommands::Free() {
    view_.free = true;
    view_.saveSyncEnabled = false;
    view_.barHint = true;
    view_.startLabel = ".";
    view_.startHint.clear();
    s_.syncOn = false;
}

void VideoCommands::SaveSyncInfo() {
    FileDialogRequest request{"Seva video info as...", kVsyFilter, syncFolder_.string(), syncName_};
    const std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter_, request, syncFolder_, ".vsy");
    if (!path)
        return;
    syncName_ = path->filename().string();
    WriteSavedFile(prompter_, *path, VsyFileText(s_.fileName, s_.videoStartTime));
}

void VideoCommands::OpenSyncInfo() {
    FileDialogRequest request{"Open video info", kVsyFilter, syncFolder_.string(), syncName_};
    const std::optional<std::string> chosen = prompter_.ChooseOpenFile(request);
    if (!chosen || !FileExists(*chosen))
        return;
    const TextFileRead read = ReadTextLines(*chosen);
    const std::optional<VsyContents> vsy =
        read.ok ? ParseVsyLines(read.lines) : std::optional<VsyContents>();
    if (!vsy)
        return;
    syncFolder_ = std::filesystem::path(*chosen).parent_path();
    syncName_ = std::filesystem::path(*chosen).filename().string();
    if (!LoadAVLib("LibAV")) {
        prompter_.Inform("Failed to load DLL.", MessageIcon::Warning);
        return;
    }
    if (!FileExists(vsy->videoPath)) {
        prompter_.Inform("Video file not found.", MessageIcon::Warning);
        return;
    }
    if (!OpenPaused(vsy->videoPath)) {
        ForgetVideo();
        Changed();
        prompter_.Inform(kMsgUnreadableVideo, MessageIcon::Warning);
        return;
    }
    s_.fileName = vsy->videoPath;
    const TDateTime start =
        ParseVideoStart(vsy->startText).value_or(host_.now ? host_.now() : TDateTime{0});
    AnchorVideoAt(s_, host_.slotA ? host_.slotA() : SlotALap{}, start);
    ShowTied();
    Changed();
}

void VideoCommands::BarClick(int width, int x) {
    if (!s_.loaded() || s_.syncOn)
        return;
    if (const std::optional<int64_t> t = VideoBarClickTime(s_.duration, width, x))
        player_->Seek(SeekFlag::kPrecise, *t);
}

void VideoCommands::ShowTime() {
    s_.lastShownTime = player_->CurrentPTS();
    view_.timeLabel = VideoTimeText(s_.lastShownTime, s_.duration);
}

void VideoCommands::StartVideoTimer(int ms) {
    timers_.Stop(videoTimer_);
    videoTimer_ = timers_.Start(ms, false, [this] { VideoTimerTick(); });
}

void VideoCommands::VideoTimerTick() {
    videoTimer_ = 0;
    s_.seekPending = false;
    if (s_.loaded() && host_.videoMovedCursor)
        host_.videoMovedCursor();
}

void VideoCommands::CheckTick() {
    Changed();
    if (s_.loaded() && IsStill(player_->State()) && player_->CurrentPTS() != s_.lastShownTime) {
        ShowTime();
        Changed();
    }
    const SlotALap lap = host_.slotA ? host_.slotA() : SlotALap{};
    const bool lapPlaying = host_.lapPlaying && host_.lapPlaying();
    const bool tabShowing = host_.videoTabShowing && host_.videoTabShowing();
    if (lapPlaying && lap.occupied && s_.loaded() && s_.syncOn && tabShowing && s_.syncEnd >= 0 &&
        s_.syncStart <= s_.duration) {
        const Float80 playTime = host_.playTime ? host_.playTime() : 0;
        if (playTime > 0 && playTime < lap.lastSec)
            player_->Resume();
    }
}

void VideoCommands::Deliver(const PlayerEvent& event) {
    if (shutDown_)
        return;
    switch (event.kind) {
        case PlayerEventKind::kFileOpen: {
            fileOpensDue_ = std::max(0, fileOpensDue_ - 1);
            if (fileOpensToDrop_ > 0) {
                --fileOpensToDrop_;
                break;
            }
            int width = 0;
            int height = 0;
            if (host_.screenSize)
                host_.screenSize(width, height);
            player_->UpdateScreenPosition(width, height);
            s_.duration = event.time;
            timers_.Stop(checkTimer_);
            checkTimer_ = timers_.Start(kVideoCheckMs, true, [this] { CheckTick(); });
            break;
        }
        case PlayerEventKind::kPosition: {
            if (event.image)
                view_.image = event.image;
            if (event.time < 0 || !s_.loaded())
                break;
            ShowTime();
            const PlayerState state = player_->State();
            if (!IsPlaying(state)) {
                if (s_.seekPending)
                    StartVideoTimer(kVideoCatchUpMs);
                if (s_.firstPosition) {
                    s_.firstPosition = false;
                    After(kFirstPositionWaitMs, [this] {
                        player_->Seek(SeekFlag::kPrecise,
                                      player_->CurrentPTS() + kFirstPositionNudge);
                    });
                } else if (s_.secondPosition) {
                    s_.secondPosition = false;
                    After(kSecondPositionWaitMs,
                          [this] { s_.backStep = BackStepAt(player_->CurrentPTS()); });
                }
            } else if (s_.syncOn) {
                const SlotALap lap = host_.slotA ? host_.slotA() : SlotALap{};
                const Float80 playTime = host_.playTime ? host_.playTime() : 0;
                if (lap.occupied && playTime >= lap.lastSec && event.time >= s_.syncEnd)
                    player_->Pause();
            }
            break;
        }
        case PlayerEventKind::kState:
            if (IsStill(event.state) && s_.seekPending && player_->State() != PlayerState::psPlay)
                StartVideoTimer(kVideoSettleMs);
            if (event.state == PlayerState::psEnd) {
                player_->Pause();
                view_.pausedGlyph = true;
            }
            break;
    }
    Changed();
}

void VideoCommands::RunStep(const Step& step) {
    switch (step.kind) {
        case StepKind::kVideoReanchor:
            ReanchorVideo(s_, host_.slotA ? host_.slotA() : SlotALap{});
            if (s_.syncOn && s_.loaded()) {
                view_.startLabel = VideoStartText(s_);
                view_.startHint = VideoStartHint(s_);
            }
            break;
        case StepKind::kVideoSeek:
            player_->Seek(step.seekAny ? SeekFlag::sfAny : SeekFlag::kPrecise, step.videoTime);
            break;
        case StepKind::kVideoPause:
            player_->Pause();
            view_.pausedGlyph = true;
            break;
        case StepKind::kVideoResume:
            player_->Resume();
            break;
        case StepKind::kVideoStepFrame:
            player_->StepToNextFrame();
            break;
        case StepKind::kVideoSetSeekPending:
            s_.seekPending = true;
            break;
        case StepKind::kVideoStartTimer:
            StartVideoTimer(step.intervalMs);
            break;
        default:
            break;
    }
}

VideoStatus VideoCommands::Status() const {
    const PlayerState state = player_->State();
    return StatusOf(s_, player_->CurrentPTS(), IsPlaying(state), player_->Paused());
}

}  // namespace qv
