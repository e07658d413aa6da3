#pragma once
// The simulated logger inside the test's process: the link's threads talk to
// the simulator's own answer logic through this port, on the test's manual
// clock, instead of through a pseudo-terminal in real time. Every delay of
// the logger (the erase, late answers, a slow bridge, the settling of a
// pulled plug) is a time on that clock, and the port can tell at any moment
// whether bytes are still on their way to the link's receive thread.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/link_port.h"
#include "simlogger/arguments.h"
#include "simlogger/fault_injector.h"
#include "simlogger/logger_line.h"

namespace qv::test {

class SimLinePort : public LinkPort {
  public:
    // `clock`: the test's clock; bytes reach either side at its time.
    explicit SimLinePort(std::function<int64_t()> clock) : clock_(std::move(clock)) {}

    // Plugs in the logger the simulator's arguments describe ("--model",
    // "qv4", "--image", path, "--faults", ...), under a new port name.
    // False, with nothing plugged in, when the arguments are refused.
    bool PlugIn(const std::vector<std::string>& args) {
        sim::Arguments parsed;
        if (!sim::ParseArguments(args, parsed))
            return false;
        sim::LoggerSetup setup = sim::SetUpLogger(parsed);
        if (!setup.state)
            return false;
        std::lock_guard lock(mutex_);
        logger_ = std::make_unique<Logger>(std::move(setup));
        path_ = "/sim/logger" + std::to_string(++plugged_);
        present_ = true;
        noiseEveryMs_ = 0;
        return true;
    }
    // A device that answers nothing and sends `burst` bytes of noise every
    // `everyMs` while it is open (a logger at another line speed).
    void PlugInNoise(int everyMs, size_t burst = 512) {
        std::lock_guard lock(mutex_);
        logger_.reset();
        path_ = "/sim/noise" + std::to_string(++plugged_);
        present_ = true;
        noiseEveryMs_ = everyMs;
        noiseBurst_ = burst;
    }
    // The device node goes away before the program opens it.
    void Vanish() {
        std::lock_guard lock(mutex_);
        present_ = false;
    }
    std::string Path() {
        std::lock_guard lock(mutex_);
        return path_;
    }

    bool Open(const std::string& path, int baud, std::string* error = nullptr) override {
        std::lock_guard lock(mutex_);
        const int64_t now = clock_();
        if (open_ || path != path_ || !present_ || (logger_ && logger_->line.Gone(now))) {
            if (error != nullptr)
                *error = "No such file or directory";
            return false;
        }
        open_ = true;
        baud_ = baud;
        waiting_ = false;
        lostTold_ = false;
        readable_.clear();
        readFrom_ = 0;
        nextNoiseMs_ = now + noiseEveryMs_;
        if (logger_)
            logger_->line.PortOpened(now);
        return true;
    }

    void Close() override {
        {
            std::lock_guard lock(mutex_);
            if (!open_)
                return;
            open_ = false;
            readable_.clear();
            readFrom_ = 0;
            if (logger_)
                logger_->line.PortClosed(clock_());
        }
        changed_.notify_all();
    }

    long Read(uint8_t* buffer, size_t capacity, int timeoutMs) override {
        std::unique_lock lock(mutex_);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            if (!open_)
                return -1;
            Collect();
            if (readFrom_ < readable_.size()) {
                const size_t n = std::min(capacity, readable_.size() - readFrom_);
                std::memcpy(buffer, readable_.data() + readFrom_, n);
                readFrom_ += n;
                if (readFrom_ == readable_.size()) {
                    readable_.clear();
                    readFrom_ = 0;
                }
                waiting_ = false;
                return static_cast<long>(n);
            }
            if (logger_ && logger_->line.Gone(clock_())) {
                waiting_ = false;
                lostTold_ = true;
                changed_.notify_all();
                return -1;
            }
            // Waiting here with nothing to take is what tells the rig that
            // the receive thread has handled everything it was given.
            if (!waiting_) {
                waiting_ = true;
                changed_.notify_all();
            }
            if (changed_.wait_until(lock, until) == std::cv_status::timeout)
                return 0;
        }
    }

    size_t Write(std::string_view bytes, int) override {
        {
            std::lock_guard lock(mutex_);
            const int64_t now = clock_();
            if (!open_ || (logger_ && logger_->line.Gone(now)))
                return 0;
            if (logger_)
                logger_->line.Receive(bytes, now, baud_);
        }
        changed_.notify_all();
        return bytes.size();
    }

    // The clock moved: what falls due now may be read.
    void ClockMoved() { changed_.notify_all(); }

    // Waits up to `timeout` until nothing is on its way to the link: the
    // port is closed, or the receive thread has taken every byte due by now
    // and waits for more, or it was told the device is gone.
    bool WaitSettled(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] {
            if (!open_ || lostTold_)
                return true;
            Collect();
            // A device gone is news the reader has yet to find out.
            if (logger_ && logger_->line.Gone(clock_()))
                return false;
            return waiting_ && readFrom_ == readable_.size();
        });
    }
    // Whether the receive thread was told the device is gone.
    bool LostTold() {
        std::lock_guard lock(mutex_);
        return open_ && lostTold_;
    }

    // When something next happens on the line after now (bytes reach the
    // port, the logger reads a command or goes away); -1 when nothing will.
    int64_t NextEventMs() {
        std::lock_guard lock(mutex_);
        const int64_t now = clock_();
        int64_t next = logger_ ? logger_->line.NextEventMs(now) : -1;
        if (open_ && noiseEveryMs_ > 0 && (next < 0 || nextNoiseMs_ < next))
            next = nextNoiseMs_;
        return next;
    }

  private:
    struct Logger {
        explicit Logger(sim::LoggerSetup setup)
            : state(std::move(setup.state)),
              faults(setup.plan, setup.seed),
              line(*state, faults, setup.options) {}
        std::unique_ptr<sim::LoggerState> state;
        sim::FaultInjector faults;
        sim::LoggerLine line;
    };

    // Moves what has reached the port by now to the readable bytes.
    void Collect() {
        const int64_t now = clock_();
        if (logger_)
            readable_ += logger_->line.TakeSent(now);
        while (noiseEveryMs_ > 0 && nextNoiseMs_ <= now) {
            for (size_t i = 0; i < noiseBurst_; ++i) {
                noise_ = noise_ * 1103515245u + 12345u;
                readable_ += static_cast<char>(noise_ >> 24);
            }
            nextNoiseMs_ += noiseEveryMs_;
        }
    }

    std::function<int64_t()> clock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::unique_ptr<Logger> logger_;
    std::string path_;
    int plugged_ = 0;
    bool present_ = false;
    bool open_ = false;
    int baud_ = 0;
    bool waiting_ = false;
    bool lostTold_ = false;
    std::string readable_;
    size_t readFrom_ = 0;  // what the reader has taken of `readable_`
    int noiseEveryMs_ = 0;
    size_t noiseBurst_ = 512;
    int64_t nextNoiseMs_ = 0;
    uint32_t noise_ = 12345;
};

}  // namespace qv::test
