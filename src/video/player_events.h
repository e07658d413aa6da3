#pragma once
// How the player's threads reach the window thread. The window implements
// the sink with queued calls, as it does for the device link; tests and the
// benchmark use PlayerEventQueue. Posts may come from any thread and are
// delivered in the order they were made.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/posted_queue.h"

namespace qv {

enum class PlayerState { psPlay, psPause, psResume, psStep, psStop, psEnd };

// A decoded frame as 32-bit pixels, bytes B, G, R, 0xff in memory (the
// layout of a QImage in RGB32 on a little-endian machine).
struct VideoImage {
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row
    int64_t pts = 0;
    std::vector<uint8_t> pixels;
};

enum class PlayerEventKind { kFileOpen, kPosition, kState };

struct PlayerEvent {
    PlayerEventKind kind = PlayerEventKind::kPosition;
    int64_t time = 0;     // kPosition: the frame's time; kFileOpen: the duration (µs)
    int frameWidth = 0;   // kFileOpen
    int frameHeight = 0;  // kFileOpen
    PlayerState state = PlayerState::psStop;  // kState
    std::shared_ptr<const VideoImage> image;  // kPosition: the frame now shown
};

class PlayerEventSink {
  public:
    virtual ~PlayerEventSink() = default;
    virtual void Post(PlayerEvent event) = 0;
};

class PlayerEventQueue : public PlayerEventSink {
  public:
    void Post(PlayerEvent event) override { events_.Post(std::move(event)); }
    // Waits up to `timeout` for something to be posted; false when nothing was.
    bool Wait(std::chrono::milliseconds timeout) { return events_.Wait(timeout); }
    std::deque<PlayerEvent> TakeAll() { return events_.TakeAll(); }

  private:
    PostedQueue<PlayerEvent> events_;
};

}  // namespace qv
