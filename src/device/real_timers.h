#pragma once
// A TimerService on the steady clock for loops that are not the window's
// (the command-line tool, benchmarks): the loop calls RunDue between waits.

#include <chrono>
#include <functional>
#include <map>

#include "core/timer_service.h"
#include "device/device_controller.h"
#include "device/event_queue.h"

namespace qv {

class RealTimers : public TimerService {
  public:
    TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) override;
    void Stop(TimerId id) override { timers_.erase(id); }

    // Fires the timers that are due, earliest first.
    void RunDue();
    // Until the next timer is due; `cap` when none runs or it is later.
    std::chrono::milliseconds UntilNext(std::chrono::milliseconds cap) const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Clock::time_point due;
        std::chrono::milliseconds interval;
        bool repeating;
        std::function<void()> onTick;
    };
    std::map<TimerId, Timer> timers_;
    TimerId lastId_ = 0;
};

// Delivers link messages and fires timers until the controller is idle
// again, with no message waiting. `eachTurn` runs after every turn (at
// least ten times a second), for a caller that shows progress.
void RunDeviceLoop(DeviceController& controller, EventQueue& queue, RealTimers& timers,
                   const std::function<void()>& eachTurn = {});

}  // namespace qv
