#pragma once
// Items posted from worker threads, kept in order until the thread that
// owns the queue takes them: the hand-over of the device link and the video
// player outside the window's own event loop.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace qv {

template <class T>
class PostedQueue {
  public:
    void Post(T item) {
        {
            std::lock_guard lock(mutex_);
            items_.push_back(std::move(item));
        }
        posted_.notify_all();
    }

    // Waits up to `timeout` for something to be posted; false when nothing was.
    bool Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [this] { return !items_.empty(); });
    }

    // Takes everything posted so far, oldest first.
    std::deque<T> TakeAll() {
        std::lock_guard lock(mutex_);
        std::deque<T> taken;
        taken.swap(items_);
        return taken;
    }

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<T> items_;
};

}  // namespace qv
