#include "video/player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "video/player_impl.h"

namespace qv {

std::string VideoFilterText(int brightness, int contrast, int hue, int saturation) {
    char text[160];
    std::snprintf(text, sizeof text, "eq=brightness=%g:contrast=%g,hue=h=%d:s=%g",
                  brightness / 100.0, 1.0 + contrast / 100.0, hue, 1.0 + saturation / 100.0);
    return text;
}

bool LoadAVLib(const std::string&) {
    return true;
}

bool AVLibLoaded() {
    return true;
}

// ---- audio thread ----

void Player::Impl::FillAudio(uint8_t* out, int bytes) {
    std::memset(out, 0, static_cast<size_t>(bytes));
    auto* samples = reinterpret_cast<int16_t*>(out);
    const size_t wanted = static_cast<size_t>(bytes) / sizeof(int16_t);
    const int64_t floor = audioFloor.load();
    size_t filled = 0;
    int64_t blockPts = 0;
    {
        std::lock_guard audioLock(audioMutex);
        if (floor == kNoFloor)
            return;
        const auto sampleUs = [&](const AudioBlock& b, size_t at) {
            return b.pts + static_cast<int64_t>(at / audioChannels) * 1000000 / audioRate;
        };
        while (filled < wanted && !audio.empty()) {
            AudioBlock& b = audio.front();
            while (b.offset < b.samples.size() && sampleUs(b, b.offset) < floor)
                b.offset += audioChannels;
            const size_t n = std::min(wanted - filled, b.samples.size() - b.offset);
            if (n > 0) {
                if (filled == 0)
                    blockPts = sampleUs(b, b.offset);
                std::memcpy(samples + filled, b.samples.data() + b.offset, n * sizeof(int16_t));
                filled += n;
                b.offset += n;
            }
            if (b.offset >= b.samples.size())
                audio.pop_front();
        }
        audioClockValid = filled > 0;
        if (filled > 0) {
            // What is handed over now plays after what the device holds.
            audioClockPts = blockPts - static_cast<int64_t>(deviceSamples) * 1000000 / audioRate;
            audioClockWall = Clock::now();
        }
    }
    if (filled > 0 && hook)
        hook(blockPts, samples, bytes, audioRate, audioChannels);
}

// ---- presenter thread ----

void Player::Impl::Show(const QueuedFrame& frame) {
    currentPts = frame.image->pts;
    PlayerEvent e;
    e.kind = PlayerEventKind::kPosition;
    e.time = frame.image->pts;
    e.image = frame.image;
    sink.Post(std::move(e));
}

void Player::Impl::PresenterLoop() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        while (!frames.empty() && frames.front().serial != serial)
            frames.pop_front();
        readerWake.notify_all();
        if (frames.empty() || seekRequested) {
            presenterWake.wait(lock);
            continue;
        }
        QueuedFrame& front = frames.front();
        if (front.seekResult) {
            if (!front.end) {
                Show(front);
                clockBasePts = front.image->pts;
                clockBaseWall = Clock::now();
                audioFloor = front.image->pts;
            }
            front.seekResult = false;
            if (!front.end)
                frames.pop_front();
            continue;
        }
        if (paused) {
            if (stepRequested) {
                stepRequested = false;
                if (!front.end) {
                    Show(front);
                    clockBasePts = front.image->pts;
                    frames.pop_front();
                    PostState(PlayerState::psStep);
                }
                continue;
            }
            presenterWake.wait(lock);
            continue;
        }
        if (front.end) {
            clockBasePts = ClockNow();
            paused = true;
            if (device != 0)
                SDL_PauseAudioDevice(device, 1);
            PostState(PlayerState::psEnd);
            continue;
        }
        const int64_t now = ClockNow();
        const int64_t due = front.image->pts;
        if (due <= now + 2000) {
            // A frame gives way to a later one only when that one is late
            // too: a moment's delay shows both rather than drop one.
            if (frames.size() > 1 && !frames[1].end && frames[1].serial == serial &&
                frames[1].image->pts < now - kLateUs) {
                frames.pop_front();
                continue;
            }
            Show(front);
            frames.pop_front();
            continue;
        }
        presenterWake.wait_for(lock,
                               std::chrono::microseconds(std::min<int64_t>(due - now, 20000)));
    }
}

// ---- commands ----

Player::Player(PlayerEventSink& sink) : impl_(std::make_unique<Impl>(sink)) {}

Player::~Player() {
    Stop();
}

bool Player::Open(const std::string& file, bool paused) {
    Stop();
    Impl& m = *impl_;
    m.live = liveFilters;
    m.hook = onAudioHook;
    m.rate = playRate > 0 ? playRate : 1.0;
    std::fill(m.applied, m.applied + 4, 0);
    if (!m.OpenFile(file, vfilters, m.rate == 1.0 ? audioDriver : AudioDriver::adNone)) {
        m.CloseFile();
        return false;
    }
    std::lock_guard lock(m.mutex);
    m.open = true;
    m.stopping = false;
    m.seekRequested = false;
    m.stepRequested = false;
    m.serial = 0;
    m.paused = paused;
    m.clockBasePts = 0;
    m.clockBaseWall = Clock::now();
    m.currentPts = 0;
    m.audioFloor = kNoFloor;
    PlayerEvent opened;
    opened.kind = PlayerEventKind::kFileOpen;
    opened.time = m.duration;
    opened.frameWidth = m.shownWidth;
    opened.frameHeight = m.shownHeight;
    m.sink.Post(std::move(opened));
    m.PostState(paused ? PlayerState::psPause : PlayerState::psPlay);
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, paused ? 1 : 0);
    m.reader = std::thread([&m] { m.ReaderLoop(); });
    m.presenter = std::thread([&m] { m.PresenterLoop(); });
    return true;
}

void Player::Seek(SeekFlag flag, int64_t time) {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    m.seekRequested = true;
    m.seekTarget = std::clamp<int64_t>(time, 0, m.duration);
    m.seekFlag = flag;
    ++m.serial;
    m.frames.clear();
    m.audioFloor = kNoFloor;
    m.readerWake.notify_all();
    m.presenterWake.notify_all();
}

void Player::Pause() {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    if (!m.paused) {
        m.clockBasePts = m.ClockNow();
        m.paused = true;
        if (m.device != 0)
            SDL_PauseAudioDevice(m.device, 1);
    }
    if (m.state != PlayerState::psPause)
        m.PostState(PlayerState::psPause);
}

void Player::Resume() {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open || !m.paused)
        return;
    m.paused = false;
    m.clockBaseWall = Clock::now();
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, 0);
    m.PostState(PlayerState::psResume);
    m.presenterWake.notify_all();
}

void Player::TogglePause() {
    if (Paused())
        Resume();
    else
        Pause();
}

bool Player::Paused() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->paused;
}

void Player::StepToNextFrame() {
    Pause();
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    m.stepRequested = true;
    m.presenterWake.notify_all();
}

void Player::Stop() {
    Impl& m = *impl_;
    {
        std::lock_guard lock(m.mutex);
        if (!m.open)
            return;
        m.stopping = true;
        m.readerWake.notify_all();
        m.presenterWake.notify_all();
    }
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, 1);
    m.reader.join();
    m.presenter.join();
    std::lock_guard lock(m.mutex);
    m.CloseFile();
    m.open = false;
    m.paused = true;
    m.PostState(PlayerState::psStop);
}

int64_t Player::CurrentPTS() const {
    return impl_->currentPts.load();
}

PlayerState Player::State() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->state;
}

int64_t Player::Duration() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->open ? impl_->duration : 0;
}

bool Player::HasAudio() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->open && impl_->device != 0;
}

void Player::UpdateScreenPosition(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    const bool widthChanged = impl_->screenWidth.exchange(width) != width;
    const bool heightChanged = impl_->screenHeight.exchange(height) != height;
    const bool changed = widthChanged || heightChanged;
    // The frames queued were made for the old size: a paused picture is
    // decoded again for the new one.
    if (changed && Paused() && State() != PlayerState::psStop)
        Seek(SeekFlag::kPrecise, CurrentPTS());
}

}  // namespace qv
