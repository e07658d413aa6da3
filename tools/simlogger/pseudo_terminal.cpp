#include "simlogger/pseudo_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace qv::sim {

std::optional<PseudoTerminal> PseudoTerminal::Open(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return std::nullopt;
    }
    const char* name = nullptr;
    termios raw{};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr ||
        tcgetattr(master, &raw) != 0) {
        error = std::string("pseudo-terminal set-up: ") + std::strerror(errno);
        close(master);
        return std::nullopt;
    }
    // The slave's settings are reached through the master: no echo, no
    // line editing, no CR or LF translation, or binary blocks would change.
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    const int flags = fcntl(master, F_GETFL);
    if (tcsetattr(master, TCSANOW, &raw) != 0 || flags < 0 ||
        fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = std::string("pseudo-terminal mode: ") + std::strerror(errno);
        close(master);
        return std::nullopt;
    }
    return PseudoTerminal(master, name);
}

PseudoTerminal::PseudoTerminal(int master, std::string slavePath)
    : master_(master), slavePath_(std::move(slavePath)) {}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(other.master_), slavePath_(std::move(other.slavePath_)) {
    other.master_ = -1;
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

std::optional<int> PseudoTerminal::Unread() const {
    if (master_ < 0)
        return std::nullopt;
    // With nobody holding the slave there is no reader to wait for.
    pollfd hung{master_, POLLIN, 0};
    if (poll(&hung, 1, 0) > 0 && (hung.revents & POLLHUP) != 0)
        return std::nullopt;
    // The count lives on the slave's side; a second, non-controlling handle
    // on it asks without disturbing the program's.
    const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return std::nullopt;
    int count = 0;
    const bool asked = ioctl(slave, FIONREAD, &count) == 0;
    close(slave);
    return asked ? std::optional<int>(count) : std::nullopt;
}

void PseudoTerminal::Close() {
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}

ReadStatus PseudoTerminal::Read(std::string& bytes, size_t max) {
    if (master_ < 0)
        return ReadStatus::Failed;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, std::min(max, sizeof buffer));
    if (n > 0) {
        bytes.append(buffer, static_cast<size_t>(n));
        return ReadStatus::Data;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return ReadStatus::Nothing;
    // Linux reports EIO while no process holds the slave open.
    if (n < 0 && errno == EIO)
        return ReadStatus::NoSlave;
    return n == 0 ? ReadStatus::Nothing : ReadStatus::Failed;
}

long PseudoTerminal::WriteSome(std::string_view bytes) {
    if (master_ < 0)
        return -1;
    const ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n >= 0)
        return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    return -1;
}

int PseudoTerminal::Baud() const {
    termios mode{};
    if (master_ < 0 || tcgetattr(master_, &mode) != 0)
        return 0;
    switch (cfgetospeed(&mode)) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        case B460800:
            return 460800;
        case B921600:
            return 921600;
        case B0:
            return 0;
        default:
            return 1;  // a rate no model uses
    }
}

}  // namespace qv::sim
