#pragma once
// A TimerService on a clock that moves only when the test says so, so that
// the 7-second watchdog or the 100-second erase wait take no time at all.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "core/timer_service.h"

namespace qv::test {

class ManualTimers : public TimerService {
  public:
    TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) override {
        const TimerId id = ++lastId_;
        const int64_t interval = intervalMs < 1 ? 1 : intervalMs;
        timers_[id] = Timer{nowMs_ + interval, interval, repeating, std::move(onTick)};
        return id;
    }
    void Stop(TimerId id) override { timers_.erase(id); }

    // Moves the clock on by `ms`, firing every timer that falls due on the
    // way in the order of its due time (ties in the order they were started).
    void Advance(int64_t ms) {
        const int64_t until = nowMs_ + ms;
        while (true) {
            auto next = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                if (it->second.dueMs <= until &&
                    (next == timers_.end() || it->second.dueMs < next->second.dueMs))
                    next = it;
            }
            if (next == timers_.end())
                break;
            nowMs_ = next->second.dueMs;
            std::function<void()> tick = next->second.onTick;
            if (next->second.repeating)
                next->second.dueMs += next->second.intervalMs;
            else
                timers_.erase(next);
            tick();
        }
        nowMs_ = until;
    }

    // Moves the clock to `ms` (not back) without firing anything: timers
    // due there wait for the next Advance, so that whatever else happens at
    // that moment comes first. None may fall due before `ms`.
    void MoveTo(int64_t ms) {
        if (ms > nowMs_)
            nowMs_ = ms;
    }

    int64_t NowMs() const { return nowMs_; }
    size_t Running() const { return timers_.size(); }
    // Milliseconds until the next timer is due, -1 when none runs.
    int64_t UntilNext() const {
        int64_t best = -1;
        for (const auto& [id, t] : timers_) {
            if (best < 0 || t.dueMs - nowMs_ < best)
                best = t.dueMs - nowMs_;
        }
        return best;
    }

  private:
    struct Timer {
        int64_t dueMs;
        int64_t intervalMs;
        bool repeating;
        std::function<void()> onTick;
    };
    std::map<TimerId, Timer> timers_;
    TimerId lastId_ = 0;
    std::atomic<int64_t> nowMs_{0};
};

}  // namespace qv::test
