#include "ui/qt_timer_service.h"

#include <QTimer>

namespace qv::ui {

QtTimerService::QtTimerService() = default;
QtTimerService::~QtTimerService() = default;

TimerService::TimerId QtTimerService::Start(int intervalMs, bool repeating,
                                            std::function<void()> onTick) {
    const TimerId id = nextId_++;
    Entry entry;
    entry.timer = std::make_unique<QTimer>();
    entry.timer->setTimerType(Qt::PreciseTimer);
    entry.timer->setInterval(intervalMs);
    entry.timer->setSingleShot(!repeating);
    entry.onTick = std::move(onTick);
    entry.repeating = repeating;
    QObject::connect(entry.timer.get(), &QTimer::timeout, [this, id] { Fire(id); });
    entry.timer->start();
    timers_.emplace(id, std::move(entry));
    return id;
}

void QtTimerService::Stop(TimerId id) {
    const auto found = timers_.find(id);
    if (found == timers_.end())
        return;
    // The entry may be stopped from inside its own tick: let Qt delete the
    // timer once the signal has returned.
    found->second.timer->stop();
    found->second.timer.release()->deleteLater();
    timers_.erase(found);
}

void QtTimerService::Fire(TimerId id) {
    const auto found = timers_.find(id);
    if (found == timers_.end())
        return;
    // A copy: the tick may stop this timer or start others.
    const std::function<void()> onTick = found->second.onTick;
    if (!found->second.repeating)
        Stop(id);
    onTick();
}

}  // namespace qv::ui
