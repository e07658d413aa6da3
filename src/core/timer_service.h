#pragma once
// Timers are requested through this interface: the window implements it
// with QTimer, tests with a manual clock, so that a 7-second watchdog or a
// 100-second erase wait runs in microseconds.

#include <cstdint>
#include <functional>

namespace qv {

class TimerService {
  public:
    using TimerId = uint64_t;  // 0 is never a timer
    virtual ~TimerService() = default;

    // Calls `onTick` on the thread that owns the service after `intervalMs`,
    // then every `intervalMs` until stopped when `repeating`.
    virtual TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) = 0;
    // Stopping an unknown or already stopped timer does nothing.
    virtual void Stop(TimerId id) = 0;
};

}  // namespace qv
