#include "device/event_queue.h"

namespace qv {

void EventQueue::PostEvent(LinkEvent event, int wParam) {
    LinkMessage m;
    m.event = event;
    m.wParam = wParam;
    messages_.Post(std::move(m));
}

void EventQueue::PostText(LinkTextList list, std::string text) {
    LinkMessage m;
    m.isText = true;
    m.list = list;
    m.text = std::move(text);
    messages_.Post(std::move(m));
}

}  // namespace qv
