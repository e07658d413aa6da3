#pragma once
// Runs the device controller on the window thread: what the link threads
// post arrives through queued calls, every timer and every delivery is
// followed by `changed`, so the pages show the controller's view as it is.

#include <QObject>
#include <memory>

#include "device/device_controller.h"

namespace qv::ui {

class DeviceHost : public QObject {
    Q_OBJECT

  public:
    DeviceHost(LapSession& session, Prompter& prompter, TimerService& timers,
               DeviceController::PortScanner scanner, QObject* parent = nullptr);
    ~DeviceHost() override;

    DeviceController& controller() { return *controller_; }
    const DeviceView& View() const { return controller_->View(); }

    // Runs a command of the controller, then tells the pages.
    template <typename Command>
    void Run(Command command) {
        command(*controller_);
        Q_EMIT changed();
    }

  Q_SIGNALS:
    void changed();

  private:
    class QueuedSink;
    class NotifyingTimers;

    std::unique_ptr<QueuedSink> sink_;
    std::unique_ptr<NotifyingTimers> timers_;
    std::unique_ptr<DeviceController> controller_;
};

}  // namespace qv::ui
