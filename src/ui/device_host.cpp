#include "ui/device_host.h"

#include <QMetaObject>

#include "device/event_queue.h"

namespace qv::ui {

// Posts to the window thread. Queued calls to one receiver keep their
// order, and those still queued when the host goes are dropped with it.
class DeviceHost::QueuedSink : public EventSink {
  public:
    explicit QueuedSink(DeviceHost& host) : host_(host) {}

    void PostEvent(LinkEvent event, int wParam) override {
        LinkMessage message;
        message.event = event;
        message.wParam = wParam;
        Post(std::move(message));
    }
    void PostText(LinkTextList list, std::string text) override {
        LinkMessage message;
        message.isText = true;
        message.list = list;
        message.text = std::move(text);
        Post(std::move(message));
    }

  private:
    void Post(LinkMessage message) {
        DeviceHost* host = &host_;
        QMetaObject::invokeMethod(
            host,
            [host, message = std::move(message)] {
                host->Run([&message](DeviceController& c) { c.Deliver(message); });
            },
            Qt::QueuedConnection);
    }

    DeviceHost& host_;
};

// The window's timers, each tick followed by `changed`.
class DeviceHost::NotifyingTimers : public TimerService {
  public:
    NotifyingTimers(TimerService& timers, DeviceHost& host) : timers_(timers), host_(host) {}

    TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) override {
        DeviceHost* host = &host_;
        return timers_.Start(intervalMs, repeating, [host, onTick = std::move(onTick)] {
            onTick();
            Q_EMIT host->changed();
        });
    }
    void Stop(TimerId id) override { timers_.Stop(id); }

  private:
    TimerService& timers_;
    DeviceHost& host_;
};

DeviceHost::DeviceHost(LapSession& session, Prompter& prompter, TimerService& timers,
                       DeviceController::PortScanner scanner, QObject* parent)
    : QObject(parent),
      sink_(std::make_unique<QueuedSink>(*this)),
      timers_(std::make_unique<NotifyingTimers>(timers, *this)) {
    controller_ =
        std::make_unique<DeviceController>(session, prompter, *timers_, *sink_, std::move(scanner));
}

DeviceHost::~DeviceHost() {
    // The link threads stop before the sink they post to goes.
    controller_.reset();
}

}  // namespace qv::ui
