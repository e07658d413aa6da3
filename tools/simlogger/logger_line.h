#pragma once
// The logger's side of the serial line on a millisecond clock of the
// caller's choosing: commands come in, answers go out at the times the
// logger's own delays and the planned faults give them. The pseudo-terminal
// server runs it on the steady clock; tests run it on a manual clock, so
// that an erase or a late answer takes no real time at all.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "simlogger/command_reader.h"
#include "simlogger/fault_injector.h"
#include "simlogger/logger_state.h"

namespace qv::sim {

struct ServeOptions {
    int eraseMs = 2000;
    bool anyBaud = false;  // answer whatever line speed the program chose
    // The logger goes away, unanswering, when a command beginning with this
    // arrives (a cable pulled during a status read or an erase); empty: never.
    std::string unplugOn;
    // From the first command beginning with this on, the logger answers
    // nothing more; empty: never.
    std::string muteOn;
};

// What goes out before a pulled plug still reaches the program when it
// leaves this long before the logger is gone.
inline constexpr int kUnplugSettleMs = 500;

class LoggerLine {
  public:
    LoggerLine(LoggerState& state, FaultInjector& faults, ServeOptions options);

    // Bytes from the program that reached the logger at `nowMs`, sent at
    // `baud` (0 when unknown). The logger reads them as soon as it is not
    // busy with a slow answer.
    void Receive(std::string_view bytes, int64_t nowMs, int baud);
    // Nobody holds the port at `nowMs`: what is on the way to it is lost,
    // and half a command must not join the next session's first bytes.
    void PortClosed(int64_t nowMs);
    // The port was opened again at `nowMs`; it drops what waited in it.
    void PortOpened(int64_t nowMs);
    // The bytes that reached the port by `nowMs`, in order.
    std::string TakeSent(int64_t nowMs);

    // The earliest time after `afterMs` at which something happens on the
    // line (bytes reach the port, a command is read, the logger goes
    // away); -1 when nothing is on its way. Taking what was sent by
    // `afterMs` first leaves nothing due before.
    int64_t NextEventMs(int64_t afterMs) const;
    // When the logger went (or goes) away, -1 when it stays.
    int64_t GoneAtMs() const { return goneAtMs_; }
    bool Gone(int64_t nowMs) const { return goneAtMs_ >= 0 && nowMs >= goneAtMs_; }

  private:
    struct Arrival {
        int64_t atMs;
        std::string bytes;
        int baud;
    };
    struct Outgoing {
        int64_t dueMs;
        Transmission sent;
    };
    struct OnWire {
        int64_t atMs;
        std::string bytes;
    };

    // Plays the logger's life up to `nowMs`.
    void Run(int64_t nowMs);
    void Read(const Arrival& arrival, int64_t atMs);
    void Send(Transmission& sent, int64_t atMs);
    void GoAway(int64_t atMs);

    LoggerState& state_;
    FaultInjector& faults_;
    ServeOptions options_;
    CommandReader reader_;
    std::deque<Arrival> inbox_;
    // Answers on their way back, in the order their commands came.
    std::deque<Outgoing> outbox_;
    std::deque<OnWire> wire_;
    // The logger is writing a slow answer until then and reads nothing.
    int64_t busyUntilMs_ = 0;
    bool portOpen_ = true;
    bool muted_ = false;
    int64_t goneAtMs_ = -1;
};

}  // namespace qv::sim
