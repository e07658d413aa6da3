#pragma once
// A TimerService whose timers fire only when the test says so.

#include <map>

#include "core/timer_service.h"

namespace qv::test {

class ManualTimers : public TimerService {
  public:
    struct Timer {
        int intervalMs = 0;
        bool repeating = false;
        std::function<void()> onTick;
    };

    TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) override {
        timers[next] = Timer{intervalMs, repeating, std::move(onTick)};
        return next++;
    }
    void Stop(TimerId id) override { timers.erase(id); }

    // The one running timer of that interval, 0 when there is none.
    TimerId Running(int intervalMs) const {
        for (const auto& [id, timer] : timers) {
            if (timer.intervalMs == intervalMs)
                return id;
        }
        return 0;
    }
    void Fire(TimerId id) {
        const auto found = timers.find(id);
        if (found == timers.end())
            return;
        const std::function<void()> tick = found->second.onTick;
        if (!found->second.repeating)
            timers.erase(found);
        tick();
    }

    std::map<TimerId, Timer> timers;

  private:
    TimerId next = 1;
};

}  // namespace qv::test
