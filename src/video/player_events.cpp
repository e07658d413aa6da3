#include "video/player_events.h"

namespace qv {

void PlayerEventQueue::Post(PlayerEvent event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    posted_.notify_all();
}

bool PlayerEventQueue::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [this] { return !events_.empty(); });
}

std::deque<PlayerEvent> PlayerEventQueue::TakeAll() {
    std::lock_guard lock(mutex_);
    std::deque<PlayerEvent> taken;
    taken.swap(events_);
    return taken;
}

}  // namespace qv
