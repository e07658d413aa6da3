#include "app/auto_sync_command.h"

#include <algorithm>
#include <cmath>

namespace qv {

bool AutoSyncCommand::Enabled(const Context& now) const {
    return !view_.running && !now.videoFile.empty() && now.slotAOccupied;
}

std::optional<int> AutoSyncCommand::Start(const Context& now) {
    if (!Enabled(now))
        return std::nullopt;
    started_ = now;
    view_.running = true;
    view_.percent = 0;
    view_.status.clear();
    statusFor_.reset();
    return ++lastRun_;
}

void AutoSyncCommand::Progress(int run, double fraction) {
    if (!view_.running || run != lastRun_ || !std::isfinite(fraction))
        return;
    view_.percent = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 100));
}

AutoSyncCommand::Outcome AutoSyncCommand::Finish(int run, const AutoSyncResult& result,
                                                 const Context& now) {
    if (!view_.running || run != lastRun_)
        return {};
    view_.running = false;
    view_.percent = 0;
    // The same lap in the same video; a lap put into slot A since would be
    // tied by another lap's moment.
    const bool same = !now.videoFile.empty() && now.videoFile == started_.videoFile &&
                      now.slotAOccupied && now.lapStart == started_.lapStart;
    if (!same) {
        view_.status.clear();
        return {};
    }
    if (!result.tied || !std::isfinite(result.lapStartInVideo)) {
        view_.status = result.cancelled         ? std::string()
                       : result.message.empty() ? std::string(kAutoSyncRefused)
                                                : result.message;
        statusFor_ = now;
        return {};
    }
    view_.status = AutoSyncTieText(result);
    statusFor_.reset();
    return {true, std::llround(result.lapStartInVideo * 1e6)};
}

void AutoSyncCommand::TieApplied(bool tied, const Context& now) {
    if (view_.running || view_.status.empty() || statusFor_)
        return;
    if (tied)
        statusFor_ = now;
    else
        view_.status.clear();
}

void AutoSyncCommand::Follow(const Context& now) {
    if (!statusFor_ || view_.status.empty())
        return;
    if (now.videoFile == statusFor_->videoFile && now.tiedVideoStart == statusFor_->tiedVideoStart)
        return;
    view_.status.clear();
    statusFor_.reset();
}

void AutoSyncCommand::Cancel() {
    if (!view_.running)
        return;
    view_.running = false;
    view_.percent = 0;
    view_.status.clear();
    statusFor_.reset();
    ++lastRun_;
}

}  // namespace qv
