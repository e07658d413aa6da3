#include "simlogger/logger_line.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "simlogger/answer.h"

namespace qv::sim {

namespace {

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

}  // namespace

LoggerLine::LoggerLine(LoggerState& state, FaultInjector& faults, ServeOptions options)
    : state_(state), faults_(faults), options_(std::move(options)) {}

void LoggerLine::Receive(std::string_view bytes, int64_t nowMs, int baud) {
    Run(nowMs);
    if (goneAtMs_ >= 0 || bytes.empty())
        return;
    inbox_.push_back({nowMs, std::string(bytes), baud});
    Run(nowMs);
}

void LoggerLine::PortClosed(int64_t nowMs) {
    Run(nowMs);
    std::erase_if(wire_, [nowMs](const OnWire& w) { return w.atMs <= nowMs; });
    reader_ = CommandReader();
    portOpen_ = false;
}

void LoggerLine::PortOpened(int64_t nowMs) {
    Run(nowMs);
    // Whatever reached the closed port, or waits in the port, is purged.
    std::erase_if(wire_, [nowMs](const OnWire& w) { return w.atMs <= nowMs; });
    portOpen_ = true;
}

std::string LoggerLine::TakeSent(int64_t nowMs) {
    Run(nowMs);
    std::string bytes;
    while (!wire_.empty() && wire_.front().atMs <= nowMs) {
        bytes += wire_.front().bytes;
        wire_.pop_front();
    }
    return bytes;
}

int64_t LoggerLine::NextEventMs(int64_t afterMs) const {
    int64_t next = kNever;
    const auto consider = [&next, afterMs](int64_t atMs) {
        if (atMs > afterMs)
            next = std::min(next, atMs);
    };
    for (const OnWire& w : wire_)
        consider(w.atMs);
    if (goneAtMs_ >= 0) {
        consider(goneAtMs_);
    } else {
        // Whatever waits is taken up at once once the logger is free.
        if (!outbox_.empty())
            consider(std::max({outbox_.front().dueMs, busyUntilMs_, afterMs + 1}));
        if (!inbox_.empty())
            consider(std::max({inbox_.front().atMs, busyUntilMs_, afterMs + 1}));
    }
    return next == kNever ? -1 : next;
}

void LoggerLine::Run(int64_t nowMs) {
    while (goneAtMs_ < 0 && (!outbox_.empty() || !inbox_.empty())) {
        const int64_t outAt =
            outbox_.empty() ? kNever : std::max(outbox_.front().dueMs, busyUntilMs_);
        const int64_t inAt = inbox_.empty() ? kNever : std::max(inbox_.front().atMs, busyUntilMs_);
        // Answers that are due leave before the next command is read.
        if (outAt <= inAt) {
            if (outAt > nowMs)
                return;
            Outgoing out = std::move(outbox_.front());
            outbox_.pop_front();
            Send(out.sent, outAt);
        } else {
            if (inAt > nowMs)
                return;
            Arrival in = std::move(inbox_.front());
            inbox_.pop_front();
            Read(in, inAt);
        }
    }
}

void LoggerLine::Read(const Arrival& arrival, int64_t atMs) {
    for (const std::string& body : reader_.Feed(arrival.bytes)) {
        if (!options_.anyBaud && !AnswersAtBaud(state_.model, arrival.baud))
            continue;
        if (!options_.unplugOn.empty() && body.rfind(options_.unplugOn, 0) == 0) {
            GoAway(atMs + kUnplugSettleMs);
            return;
        }
        muted_ = muted_ || (!options_.muteOn.empty() && body.rfind(options_.muteOn, 0) == 0);
        if (muted_)
            continue;
        const Answer answer = AnswerCommand(state_, body, options_.eraseMs);
        Transmission sent = faults_.Shape(answer, state_.NextFreeAddress());
        const int64_t dueMs = atMs + sent.latencyMs;
        outbox_.push_back({dueMs, std::move(sent)});
    }
}

void LoggerLine::Send(Transmission& sent, int64_t atMs) {
    int64_t t = atMs;
    for (Chunk& chunk : sent.chunks) {
        t += chunk.delayMs;
        wire_.push_back({t, std::move(chunk.bytes)});
    }
    busyUntilMs_ = t;
    if (sent.unplug)
        GoAway(t + kUnplugSettleMs);
}

void LoggerLine::GoAway(int64_t atMs) {
    goneAtMs_ = atMs;
    inbox_.clear();
    outbox_.clear();
}

}  // namespace qv::sim
