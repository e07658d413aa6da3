#pragma once
// The device page's controller against the simulated logger: link messages
// are delivered on the test's thread, and the manual clock jumps ahead
// whenever the link has been quiet for a moment, so that resends, probe
// steps and the watchdog run without waiting.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "core/local_time.h"
#include "device/device_controller.h"
#include "device/event_queue.h"
#include "support/manual_timers.h"
#include "support/scripted_prompter.h"
#include "support/sim_logger_process.h"
#include "support/temp_dir.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVANE_CLANG_SANITIZER 1
#endif
#endif
#ifndef QUORVANE_CLANG_SANITIZER
#define QUORVANE_CLANG_SANITIZER 0
#endif

namespace qv::test {

class SimRig {
  public:
    explicit SimRig(std::string port)
        : port_(std::move(port)),
          controller_(
              *session_, prompter, timers, queue,
              [this] {
                  return port_.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>(4, port_);
              },
              [this] { return timers.NowMs(); }) {
        controller_.now = [] { return EncodeDate(2026, 12, 9) + EncodeTime(14, 30, 0, 0); };
    }
    ~SimRig() { controller_.Shutdown(); }

    DeviceController& controller() { return controller_; }
    // The port the next scan finds: a logger plugged in again.
    void SetPort(std::string port) { port_ = std::move(port); }
    Session& session() { return *session_; }

    // Delivers messages and moves the clock until the controller is idle
    // with nothing waiting; false when that takes longer than `limitMs` of
    // real time.
    bool Run(int limitMs = 30000) {
        return RunUntil([this] { return controller_.Idle() && !controller_.View().progressShown; },
                        limitMs);
    }

    // The same until `done` holds, looked at after every delivery.
    template <typename Done>
    bool RunUntil(Done done, int limitMs) {
        using namespace std::chrono;
        const auto until = steady_clock::now() + milliseconds(limitMs);
        int64_t dueSent = -1;
        int64_t patientFor = -1;
        auto dueSince = steady_clock::now();
        auto clockAt = steady_clock::now();
        while (steady_clock::now() < until) {
            const bool posted = queue.Wait(milliseconds(realClock ? kRealTickMs : quietMs));
            for (const LinkMessage& m : queue.TakeAll()) {
                controller_.Deliver(m);
                if (done())
                    return true;
            }
            if (!posted && done())
                return true;
            if (realClock) {
                const int64_t passed =
                    duration_cast<milliseconds>(steady_clock::now() - clockAt).count();
                clockAt += milliseconds(passed);
                // What came while this thread was kept from running is
                // delivered before the timers that fell due meanwhile.
                for (const LinkMessage& m : queue.TakeAll()) {
                    controller_.Deliver(m);
                    if (done())
                        return true;
                }
                timers.Advance(passed);
                continue;
            }
            if (posted)
                continue;
            // Each command whose reply is due gets some real time before the
            // clock runs on: on a loaded machine the simulated logger answers
            // late, and a jump would resend or give up too early.
            const int64_t sent = DueSendMs();
            if (sent >= 0 && sent != patientFor) {
                if (sent != dueSent) {
                    dueSent = sent;
                    dueSince = steady_clock::now();
                }
                if (steady_clock::now() - dueSince < milliseconds(replyPatienceMs))
                    continue;
                patientFor = sent;
            }
            const int64_t next = timers.UntilNext();
            timers.Advance(next >= 0 && next < jumpMs ? next : jumpMs);
        }
        return false;
    }

    ManualTimers timers;
    EventQueue queue;
    ScriptedPrompter prompter;
    // How long the link must be silent before the clock jumps. Under the
    // sanitizers the simulated logger answers several times slower.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__) || QUORVANE_CLANG_SANITIZER
    int quietMs = 250;
    int replyPatienceMs = 600;
#else
    int quietMs = 40;
    int replyPatienceMs = 200;
#endif
    int64_t jumpMs = 310;
    // The clock follows real time instead of jumping: for a logger that
    // answers late in real time, where a jump would make every reply late.
    bool realClock = false;

  private:
    static constexpr int kRealTickMs = 5;

    // When the command waiting for its reply was sent (rig clock), -1 when
    // none waits.
    int64_t DueSendMs() {
        if (!controller_.Link().IsOpen())
            return -1;
        return controller_.Link().Locked(
            [](LinkState& s) { return s.awaitingReply ? s.lastSendMs : int64_t{-1}; });
    }

    std::unique_ptr<Session> session_ = std::make_unique<Session>(LocalTimeBaseFromBias(0));
    std::string port_;
    DeviceController controller_;
};

}  // namespace qv::test
