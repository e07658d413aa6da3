#include "device/real_timers.h"

#include <algorithm>

namespace qv {

TimerService::TimerId RealTimers::Start(int intervalMs, bool repeating,
                                        std::function<void()> onTick) {
    const TimerId id = ++lastId_;
    const std::chrono::milliseconds interval(std::max(intervalMs, 1));
    timers_[id] = Timer{Clock::now() + interval, interval, repeating, std::move(onTick)};
    return id;
}

void RealTimers::RunDue() {
    while (true) {
        const Clock::time_point now = Clock::now();
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= now &&
                (next == timers_.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == timers_.end())
            return;
        std::function<void()> tick = next->second.onTick;
        if (next->second.repeating)
            next->second.due = now + next->second.interval;
        else
            timers_.erase(next);
        tick();
    }
}

std::chrono::milliseconds RealTimers::UntilNext(std::chrono::milliseconds cap) const {
    std::chrono::milliseconds best = cap;
    const Clock::time_point now = Clock::now();
    for (const auto& [id, t] : timers_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now);
        best = std::min(best, std::max(left, std::chrono::milliseconds(0)));
    }
    return best;
}

void RunDeviceLoop(DeviceController& controller, EventQueue& queue, RealTimers& timers,
                   const std::function<void()>& eachTurn) {
    using namespace std::chrono_literals;
    while (true) {
        for (const LinkMessage& m : queue.TakeAll())
            controller.Deliver(m);
        timers.RunDue();
        if (eachTurn)
            eachTurn();
        if (controller.Idle() && !controller.View().progressShown && !queue.Wait(0ms))
            return;
        queue.Wait(timers.UntilNext(100ms));
    }
}

}  // namespace qv
