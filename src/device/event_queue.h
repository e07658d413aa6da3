#pragma once
// An EventSink that keeps what the link threads post until the main thread
// takes it, for loops that are not the window's.

#include <chrono>
#include <deque>

#include "core/posted_queue.h"
#include "device/event_sink.h"

namespace qv {

struct LinkMessage {
    bool isText = false;
    LinkEvent event = LinkEvent::QueueDrained;
    int wParam = 0;
    LinkTextList list = LinkTextList::Diagnostic;
    std::string text;
};

class EventQueue : public EventSink {
  public:
    void PostEvent(LinkEvent event, int wParam) override;
    void PostText(LinkTextList list, std::string text) override;

    // Waits up to `timeout` for something to be posted; false when nothing was.
    bool Wait(std::chrono::milliseconds timeout) { return messages_.Wait(timeout); }
    // Takes everything posted so far, oldest first.
    std::deque<LinkMessage> TakeAll() { return messages_.TakeAll(); }

  private:
    PostedQueue<LinkMessage> messages_;
};

}  // namespace qv
