#include "simlogger/serve.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace qv::sim {

namespace {

constexpr int kPollMs = 20;
// A program that stops reading for this long has gone; the rest of the
// answer would only fill the line.
constexpr int kStalledWriteMs = 3000;

// How long a pulled plug waits at most for the program to read what was
// sent before it: a loaded machine may keep the reader from running for a
// while, and closing the master drops what is still unread.
constexpr int kDrainLimitMs = 10000;
// The unread count must stay at zero this long: the kernel hands written
// bytes to the slave a moment after the write.
constexpr int kDrainedForMs = 60;

enum class SendEnd { Sent, Abandoned, Stopped };

SendEnd SendAll(PseudoTerminal& pty, std::string_view bytes,
                const std::function<bool()>& stopRequested) {
    int stalledMs = 0;
    while (!bytes.empty()) {
        const long n = pty.WriteSome(bytes);
        if (n < 0)
            return SendEnd::Abandoned;
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            stalledMs = 0;
            continue;
        }
        if (stopRequested())
            return SendEnd::Stopped;
        pollfd fd{pty.MasterFd(), POLLOUT, 0};
        const int ready = poll(&fd, 1, kPollMs);
        if (ready > 0 && (fd.revents & (POLLHUP | POLLERR)) != 0)
            return SendEnd::Abandoned;
        if (ready == 0 && (stalledMs += kPollMs) >= kStalledWriteMs)
            return SendEnd::Abandoned;
    }
    return SendEnd::Sent;
}

// Waits until the program has read everything sent, or the limit; returns
// at once when the count cannot be asked.
void AwaitDrained(const PseudoTerminal& pty, const std::function<bool()>& stopRequested) {
    int drainedMs = 0;
    for (int waitedMs = 0; waitedMs < kDrainLimitMs && !stopRequested(); waitedMs += kPollMs) {
        const std::optional<int> unread = pty.Unread();
        if (!unread)
            return;
        drainedMs = *unread == 0 ? drainedMs + kPollMs : 0;
        if (drainedMs >= kDrainedForMs)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

}  // namespace

ServeEnd Serve(PseudoTerminal& pty, LoggerState& state, FaultInjector& faults,
               const ServeOptions& options, const std::function<bool()>& stopRequested) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto nowMs = [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    LoggerLine line(state, faults, options);
    std::string input;
    while (!stopRequested()) {
        const int64_t now = nowMs();
        const std::string sent = line.TakeSent(now);
        if (!sent.empty() && SendAll(pty, sent, stopRequested) == SendEnd::Stopped)
            return ServeEnd::Stopped;
        if (line.Gone(now)) {
            AwaitDrained(pty, stopRequested);
            pty.Close();
            return ServeEnd::Unplugged;
        }
        int waitMs = kPollMs;
        const int64_t next = line.NextEventMs(now);
        if (next >= 0)
            waitMs = static_cast<int>(std::clamp<int64_t>(next - now, 0, kPollMs));
        pollfd fd{pty.MasterFd(), POLLIN, 0};
        const int ready = poll(&fd, 1, waitMs);
        if (ready <= 0)
            continue;
        input.clear();
        const ReadStatus status =
            (fd.revents & POLLIN) != 0 ? pty.Read(input) : ReadStatus::NoSlave;
        if (status == ReadStatus::Failed)
            return ServeEnd::Failed;
        if (status == ReadStatus::NoSlave) {
            line.PortClosed(nowMs());
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        line.Receive(input, nowMs(), pty.Baud());
    }
    return ServeEnd::Stopped;
}

}  // namespace qv::sim
