#pragma once
// The simulated logger run as a separate process for one test: its standard
// input is a pipe held here, so it ends with the test even when the test
// dies; the serial device it serves is read from its first line of output.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/test_paths.h"

extern char** environ;

namespace qv::test {

class SimLoggerProcess {
  public:
    // `args` follow the program name, e.g. {"--model", "qv4", "--image", path}.
    explicit SimLoggerProcess(const std::vector<std::string>& args, int startTimeoutMs = 30000) {
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0)
            return;
        if (pipe2(out, O_CLOEXEC) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> argv0{SimLoggerPath()};
        argv0.insert(argv0.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argv0)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int spawned =
            posix_spawn(&pid_, argv0[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        if (spawned != 0) {
            pid_ = -1;
            close(out[0]);
            return;
        }
        ReadFirstLine(out[0], startTimeoutMs);
        close(out[0]);
    }

    ~SimLoggerProcess() { Stop(); }
    SimLoggerProcess(const SimLoggerProcess&) = delete;
    SimLoggerProcess& operator=(const SimLoggerProcess&) = delete;

    // Whether it runs and named its device.
    bool Started() const { return pid_ > 0 && !devicePath_.empty(); }
    const std::string& DevicePath() const { return devicePath_; }
    pid_t Pid() const { return pid_; }

    // Whether it ended by itself (an unplug fault); `status` is its exit
    // code, or -1 when it did not exit normally.
    bool HasExited(int& status) {
        if (pid_ <= 0)
            return exited_ ? (status = exitStatus_, true) : false;
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) != pid_)
            return false;
        Reap(raw);
        status = exitStatus_;
        return true;
    }

    // Closes its standard input and waits for it to end, SIGKILL after
    // `timeoutMs`. Its exit code, -1 when it was killed or never ran.
    int Stop(int timeoutMs = 3000) {
        if (stdin_ >= 0) {
            close(stdin_);
            stdin_ = -1;
        }
        if (pid_ <= 0)
            return exited_ ? exitStatus_ : -1;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int raw = 0;
        while (waitpid(pid_, &raw, WNOHANG) != pid_) {
            if (std::chrono::steady_clock::now() >= until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &raw, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Reap(raw);
        return exitStatus_;
    }

  private:
    void ReadFirstLine(int fd, int timeoutMs) {
        std::string line;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char c = 0;
            if (read(fd, &c, 1) != 1)
                return;
            if (c == '\n') {
                devicePath_ = line;
                return;
            }
            line += c;
        }
    }

    void Reap(int raw) {
        exited_ = true;
        exitStatus_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string devicePath_;
    bool exited_ = false;
    int exitStatus_ = -1;
};

// Opens the simulator's device as the program would: raw, non-blocking, at
// `baud` (B115200, B921600, ...). -1 on failure.
inline int OpenSimulatedPort(const std::string& path, speed_t baud = B115200) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios mode{};
    if (tcgetattr(fd, &mode) != 0) {
        close(fd);
        return -1;
    }
    cfmakeraw(&mode);
    cfsetispeed(&mode, baud);
    cfsetospeed(&mode, baud);
    if (tcsetattr(fd, TCSANOW, &mode) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace qv::test
