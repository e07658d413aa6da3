#pragma once
// The open serial link: the port, the receive thread `TComRxThred` that
// assembles replies and hands them to the protocol, and the transmit thread
// `TComTxThred` that sends the first command of a batch and every resend.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/event_sink.h"
#include "device/link_port.h"
#include "device/link_protocol.h"
#include "device/link_state.h"
#include "device/serial_port.h"

namespace qv {

class DeviceLink {
  public:
    using Clock = std::function<int64_t()>;  // milliseconds, for the resend interval
    // Without a clock the steady clock is used; without a port, the serial
    // port of the path given to Open. `port` outlives the link.
    explicit DeviceLink(EventSink& sink, Clock clock = {}, LinkPort* port = nullptr)
        : sink_(sink),
          port_(port != nullptr ? *port : serial_),
          io_(port_, sink_, std::move(clock)) {}
    ~DeviceLink() { Close(); }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Opens `path` at the baud rate of `steps` and starts both threads.
    // With a port already open it succeeds and changes nothing.
    bool Open(const std::string& path, const StepFlags& steps);
    // Stops both threads and closes the port; the queue is lost.
    void Close();
    bool IsOpen() const { return open_.load(); }

    // Appends commands and sets the start flag: the transmit thread sends
    // the first of them.
    void Enqueue(const std::vector<std::string>& bodies);

    // One round of the transmit thread on the calling thread: what is due
    // at the clock's present time is sent before this returns.
    void TransmitNow();
    // When the transmit thread next acts without being asked (a resend),
    // -1 when it waits for nothing.
    int64_t ResendDueMs();

    // Runs `f` on the shared state under the link lock.
    template <class F>
    auto Locked(F&& f) {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(state_);
    }

  private:
    class PortIo : public LinkIo {
      public:
        PortIo(LinkPort& port, EventSink& sink, Clock clock)
            : port_(port), sink_(sink), clock_(std::move(clock)) {}
        bool Write(std::string_view bytes) override;
        int64_t NowMs() override;
        EventSink& Sink() override { return sink_; }

      private:
        LinkPort& port_;
        EventSink& sink_;
        Clock clock_;
    };

    void TComRxThred();
    void TComTxThred();

    EventSink& sink_;
    SerialPort serial_;
    LinkPort& port_;
    PortIo io_;
    std::mutex mutex_;  // guards state_ and writes to the port
    std::condition_variable wake_;
    LinkState state_;
    std::atomic<bool> open_{false};
    std::atomic<bool> stop_{false};
    std::thread rx_;
    std::thread tx_;
};

}  // namespace qv
