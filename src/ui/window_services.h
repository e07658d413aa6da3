#pragma once
// What the main window asks of the world outside the engine: questions to
// the user, the dialogs of other commands, timers and the clock. The
// program passes the Qt ones; tests pass scripted ones.

#include <filesystem>
#include <functional>

#include "core/date_time.h"
#include "core/prompter.h"
#include "core/timer_service.h"
#include "device/device_controller.h"
#include "laps/lap_list_commands.h"
#include "laps/open_log.h"

namespace qv::ui {

struct WindowServices {
    Prompter& prompter;
    LogBlockDialogStep& logDialog;
    NameEditDialog& nameEdit;
    TimerService& timers;
    // Local standard time now.
    std::function<TDateTime()> now;
    // Opens a written file with the desktop's application for its kind.
    std::function<void(const std::filesystem::path&)> openDocument;
    // The device link's timers and the serial ports to try.
    TimerService& deviceTimers;
    DeviceController::PortScanner scanPorts;
};

}  // namespace qv::ui
