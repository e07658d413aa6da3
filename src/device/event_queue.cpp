#include "device/event_queue.h"

namespace qv {

void EventQueue::PostEvent(LinkEvent event, int wParam) {
    {
        std::lock_guard lock(mutex_);
        LinkMessage m;
        m.event = event;
        m.wParam = wParam;
        messages_.push_back(std::move(m));
    }
    posted_.notify_all();
}

void EventQueue::PostText(LinkTextList list, std::string text) {
    {
        std::lock_guard lock(mutex_);
        LinkMessage m;
        m.isText = true;
        m.list = list;
        m.text = std::move(text);
        messages_.push_back(std::move(m));
    }
    posted_.notify_all();
}

bool EventQueue::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); });
}

std::deque<LinkMessage> EventQueue::TakeAll() {
    std::lock_guard lock(mutex_);
    std::deque<LinkMessage> taken;
    taken.swap(messages_);
    return taken;
}

}  // namespace qv
