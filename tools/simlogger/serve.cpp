#include "simlogger/serve.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "simlogger/answer.h"
#include "simlogger/command_reader.h"

namespace qv::sim {

namespace {

constexpr int kPollMs = 20;
// A program that stops reading for this long has gone; the rest of the
// answer would only fill the line.
constexpr int kStalledWriteMs = 3000;
constexpr int kUnplugSettleMs = 500;

enum class SendEnd { Sent, Abandoned, Stopped };

bool SleepUnlessStopped(int ms, const std::function<bool()>& stopRequested) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (stopRequested())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, kPollMs)));
    }
    return !stopRequested();
}

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

}  // namespace

ServeEnd Serve(PseudoTerminal& pty, LoggerState& state, FaultInjector& faults,
               const ServeOptions& options, const std::function<bool()>& stopRequested) {
    using Clock = std::chrono::steady_clock;
    struct Outgoing {
        Clock::time_point due;
        Transmission sent;
    };
    CommandReader reader;
    std::string input;
    // Answers on their way back, in the order their commands came.
    std::deque<Outgoing> outbox;
    bool muted = false;
    const auto unplug = [&] {
        // What went out before the plug was pulled reaches the program;
        // closing the master at once would discard it.
        SleepUnlessStopped(kUnplugSettleMs, stopRequested);
        pty.Close();
        return ServeEnd::Unplugged;
    };
    while (!stopRequested()) {
        while (!outbox.empty() && outbox.front().due <= Clock::now()) {
            Transmission sent = std::move(outbox.front().sent);
            outbox.pop_front();
            for (const Chunk& chunk : sent.chunks) {
                if (chunk.delayMs > 0 && !SleepUnlessStopped(chunk.delayMs, stopRequested))
                    return ServeEnd::Stopped;
                const SendEnd end = SendAll(pty, chunk.bytes, stopRequested);
                if (end == SendEnd::Stopped)
                    return ServeEnd::Stopped;
                if (end == SendEnd::Abandoned)
                    break;
            }
            if (sent.unplug)
                return unplug();
        }
        int waitMs = kPollMs;
        if (!outbox.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                outbox.front().due - Clock::now());
            waitMs = static_cast<int>(std::clamp<int64_t>(left.count(), 0, kPollMs));
        }
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
            // Nobody holds the port: half a command from the last session
            // must not join the first bytes of the next.
            reader = CommandReader();
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        for (const std::string& body : reader.Feed(input)) {
            if (!options.anyBaud && !AnswersAtBaud(state.model, pty.Baud()))
                continue;
            if (!options.unplugOn.empty() && body.rfind(options.unplugOn, 0) == 0)
                return unplug();
            muted = muted || (!options.muteOn.empty() && body.rfind(options.muteOn, 0) == 0);
            if (muted)
                continue;
            const Answer answer = AnswerCommand(state, body, options.eraseMs);
            Transmission sent = faults.Shape(answer, state.NextFreeAddress());
            const auto due = Clock::now() + std::chrono::milliseconds(sent.latencyMs);
            outbox.push_back({due, std::move(sent)});
        }
    }
    return ServeEnd::Stopped;
}

}  // namespace qv::sim
