#pragma once
// The device page's controller against a simulated logger, with link
// messages delivered on the test's thread.
//
// In process (the default), the logger's answer logic sits behind a
// SimLinePort and the manual clock moves only when nothing is in flight:
// the receive thread has handled every byte due, nothing is posted, and
// nothing is due to be sent. It then jumps to the next thing due (a timer,
// a byte reaching the port, a resend), so resends, probe steps, the erase
// and the watchdog take no real time, and the outcome does not depend on
// how fast the machine runs.
//
// Over a device node (a pseudo-terminal served by the simulator process),
// the clock follows real time instead: the end-to-end runs of the serial
// port and the real threads.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "core/local_time.h"
#include "device/device_controller.h"
#include "device/event_queue.h"
#include "device/sim_line_port.h"
#include "support/manual_timers.h"
#include "support/scripted_prompter.h"
#include "support/sim_logger_process.h"
#include "support/temp_dir.h"

namespace qv::test {

// Writes a flash image without its erased tail, which the simulator pads
// back: the same logger from a much smaller file.
inline void WriteFlash(const std::filesystem::path& path, const std::vector<uint8_t>& flash) {
    size_t used = flash.size();
    while (used > 0 && flash[used - 1] == 0xFF)
        --used;
    WriteBytes(path,
               std::vector<uint8_t>(flash.begin(), flash.begin() + static_cast<ptrdiff_t>(used)));
}

class SimRig {
  public:
    // The logger in process: plug one in with `port()->PlugIn`.
    SimRig() : SimRig(std::make_unique<SimLinePort>([this] { return timers.NowMs(); }), "") {}
    // Whatever answers at the device node `devicePath`, on the real clock;
    // empty: the scan finds no port.
    explicit SimRig(std::string devicePath) : SimRig(nullptr, std::move(devicePath)) {}
    ~SimRig() { controller_.Shutdown(); }

    DeviceController& controller() { return controller_; }
    // The node the next scan finds: a logger plugged in again.
    void SetPort(std::string devicePath) { devicePath_ = std::move(devicePath); }
    Session& session() { return *session_; }

    // Delivers messages and moves the clock until the controller is idle
    // with nothing waiting; false when that takes longer than `limitMs` of
    // real time, which only a hang does in process.
    bool Run(int limitMs = 60000) {
        return RunUntil([this] { return controller_.Idle() && !controller_.View().progressShown; },
                        limitMs);
    }

    // The same until `done` holds, looked at after every delivery.
    template <typename Done>
    bool RunUntil(Done done, int limitMs) {
        return port_ ? RunOnEvents(done, limitMs) : RunOnRealClock(done, limitMs);
    }

    // The in-process logger's port; null over a device node.
    SimLinePort* port() { return port_.get(); }

    ManualTimers timers;
    EventQueue queue;
    ScriptedPrompter prompter;

  private:
    SimRig(std::unique_ptr<SimLinePort> port, std::string devicePath)
        : port_(std::move(port)),
          devicePath_(std::move(devicePath)),
          controller_(
              *session_, prompter, timers, queue, [this] { return Candidates(); },
              [this] { return timers.NowMs(); }, port_.get()) {
        controller_.now = [] { return EncodeDate(2026, 12, 9) + EncodeTime(14, 30, 0, 0); };
    }

    std::vector<std::string> Candidates() {
        const std::string path = port_ ? port_->Path() : devicePath_;
        return path.empty() ? std::vector<std::string>{} : std::vector<std::string>(4, path);
    }

    // Delivers what was posted; true when `done` came to hold.
    template <typename Done>
    bool DeliverPosted(Done& done, bool& any) {
        any = false;
        for (const LinkMessage& m : queue.TakeAll()) {
            any = true;
            controller_.Deliver(m);
            if (done())
                return true;
        }
        return false;
    }

    template <typename Done>
    bool RunOnEvents(Done done, int limitMs) {
        using namespace std::chrono;
        const auto until = steady_clock::now() + milliseconds(limitMs);
        bool any = false;
        while (steady_clock::now() < until) {
            if (DeliverPosted(done, any))
                return true;
            if (any)
                continue;
            controller_.Link().TransmitNow();
            if (!port_->WaitSettled(milliseconds(kSettleWaitMs)))
                continue;
            // A receive thread told of a lost device says so under the link
            // lock before anything else may happen.
            if (port_->LostTold() && controller_.Link().IsOpen() &&
                !controller_.Link().Locked([](LinkState& s) { return s.failed; }))
                continue;
            if (queue.Wait(milliseconds(0)))
                continue;
            if (done())
                return true;
            const int64_t now = timers.NowMs();
            int64_t next = -1;
            const auto consider = [&next](int64_t at) {
                if (at >= 0 && (next < 0 || at < next))
                    next = at;
            };
            const int64_t timer = timers.UntilNext();
            consider(timer >= 0 ? now + timer : -1);
            consider(port_->NextEventMs());
            consider(controller_.Link().ResendDueMs());
            if (next < 0)
                return false;  // nothing will ever happen again
            if (next > now) {
                // Bytes and resends at that moment come before its timers.
                timers.MoveTo(next);
                port_->ClockMoved();
            } else {
                timers.Advance(0);
            }
        }
        return false;
    }

    template <typename Done>
    bool RunOnRealClock(Done done, int limitMs) {
        using namespace std::chrono;
        const auto until = steady_clock::now() + milliseconds(limitMs);
        auto clockAt = steady_clock::now();
        bool any = false;
        while (steady_clock::now() < until) {
            const bool posted = queue.Wait(milliseconds(kRealTickMs));
            if (DeliverPosted(done, any))
                return true;
            if (!posted && done())
                return true;
            const int64_t passed =
                duration_cast<milliseconds>(steady_clock::now() - clockAt).count();
            clockAt += milliseconds(passed);
            // What came while this thread was kept from running is
            // delivered before the timers that fell due meanwhile.
            if (DeliverPosted(done, any))
                return true;
            timers.Advance(passed);
        }
        return false;
    }

    static constexpr int kRealTickMs = 5;
    static constexpr int kSettleWaitMs = 20;

    std::unique_ptr<Session> session_ = std::make_unique<Session>(LocalTimeBaseFromBias(0));
    std::unique_ptr<SimLinePort> port_;
    std::string devicePath_;
    DeviceController controller_;
};

}  // namespace qv::test
