#include "device/device_link.h"

#include <chrono>

namespace qv {
namespace {

constexpr int kWriteTimeoutMs = 100;
// The receive thread blocks on the port this long at most, so that a stop
// request is seen soon without keeping a core busy.
constexpr int kReadWaitMs = 20;
constexpr int kTransmitRoundMs = 10;

}  // namespace

bool DeviceLink::PortIo::Write(std::string_view bytes) {
    return port_.Write(bytes, kWriteTimeoutMs) == bytes.size();
}

int64_t DeviceLink::PortIo::NowMs() {
    if (clock_)
        return clock_();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool DeviceLink::Open(const std::string& path, const StepFlags& steps) {
    if (open_.load())
        return true;
    if (!port_.Open(path, BaudOfStep(steps)))
        return false;
    {
        std::lock_guard lock(mutex_);
        std::span<uint8_t> image = state_.image;
        // How slowly the logger answers outlasts one connection: the next
        // starts out patient enough.
        const ReplyTiming timing = state_.timing;
        state_ = LinkState{};
        state_.image = image;
        state_.timing = timing;
        state_.timing.unprovenMs = -1;
        state_.steps = steps;
    }
    stop_ = false;
    open_ = true;
    rx_ = std::thread(&DeviceLink::TComRxThred, this);
    tx_ = std::thread(&DeviceLink::TComTxThred, this);
    return true;
}

void DeviceLink::Close() {
    if (!open_.load())
        return;
    stop_ = true;
    wake_.notify_all();
    if (rx_.joinable())
        rx_.join();
    if (tx_.joinable())
        tx_.join();
    {
        std::lock_guard lock(mutex_);
        state_.busy = false;
        state_.start = false;
        state_.queue.clear();
        state_.awaitingReply = false;
    }
    port_.Close();
    open_ = false;
}

void DeviceLink::Enqueue(const std::vector<std::string>& bodies) {
    {
        std::lock_guard lock(mutex_);
        for (const std::string& body : bodies)
            state_.queue.push_back(body);
        state_.start = true;
    }
    wake_.notify_all();
}

void DeviceLink::TransmitNow() {
    if (!open_.load())
        return;
    std::lock_guard lock(mutex_);
    TransmitRound(state_, io_);
}

int64_t DeviceLink::ResendDueMs() {
    if (!open_.load())
        return -1;
    std::lock_guard lock(mutex_);
    return qv::ResendDueMs(state_);
}

void DeviceLink::TComRxThred() {
    std::vector<uint8_t> buffer(8192);
    bool lost = false;
    while (!stop_.load()) {
        const long n = lost ? 0 : port_.Read(buffer.data(), buffer.size(), kReadWaitMs);
        if (n < 0) {
            // The device is gone (a pulled cable): say so once, then only
            // wait to be stopped.
            lost = true;
            std::lock_guard lock(mutex_);
            FailLink(state_, io_, kPortLost);
        }
        if (n <= 0 && lost) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kReadWaitMs));
            continue;
        }
        if (n == 0)
            continue;
        std::lock_guard lock(mutex_);
        ReceiveBytes(state_, io_, buffer.data(), static_cast<size_t>(n));
    }
}

void DeviceLink::TComTxThred() {
    std::unique_lock lock(mutex_);
    while (!stop_.load()) {
        TransmitRound(state_, io_);
        wake_.wait_for(lock, std::chrono::milliseconds(kTransmitRoundMs));
    }
}

}  // namespace qv
