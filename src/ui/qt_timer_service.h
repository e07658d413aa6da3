#pragma once
// The engine's timers as QTimers of the window thread.

#include <QObject>
#include <map>
#include <memory>

#include "core/timer_service.h"

class QTimer;

namespace qv::ui {

class QtTimerService : public TimerService {
  public:
    QtTimerService();
    ~QtTimerService() override;

    TimerId Start(int intervalMs, bool repeating, std::function<void()> onTick) override;
    void Stop(TimerId id) override;

    // Timers that have not fired their last tick yet.
    int ActiveCount() const { return static_cast<int>(timers_.size()); }

  private:
    void Fire(TimerId id);

    TimerId nextId_ = 1;
    struct Entry {
        std::unique_ptr<QTimer> timer;
        std::function<void()> onTick;
        bool repeating = false;
    };
    std::map<TimerId, Entry> timers_;
};

}  // namespace qv::ui
