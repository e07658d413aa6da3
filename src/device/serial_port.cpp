#include "device/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qv {
namespace {

bool BaudConstant(int baud, speed_t& speed) {
    switch (baud) {
        case 115200:
            speed = B115200;
            return true;
        case 460800:
            speed = B460800;
            return true;
        case 921600:
            speed = B921600;
            return true;
        default:
            return false;
    }
}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

}  // namespace

bool SerialPort::Open(const std::string& path, int baud, std::string* error) {
    speed_t speed;
    if (IsOpen() || !BaudConstant(baud, speed)) {
        SetError(error, "invalid port state or baud rate");
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, std::strerror(errno));
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        SetError(error, std::strerror(errno));
        ::close(fd);
        return false;
    }
    // A pseudo-terminal refuses exclusive mode and the modem lines; a real
    // port takes both, and the link works without them either way.
    (void)::ioctl(fd, TIOCEXCL);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        SetError(error, std::strerror(errno));
        ::close(fd);
        return false;
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIS, &lines);
    fd_ = fd;
    Purge();
    return true;
}

void SerialPort::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void SerialPort::Purge() {
    if (fd_ >= 0)
        ::tcflush(fd_, TCIOFLUSH);
}

long SerialPort::Read(uint8_t* buffer, size_t capacity, int timeoutMs) {
    if (fd_ < 0 || capacity == 0)
        return -1;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, std::max(timeoutMs, 0));
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    // A device that went away (an unplugged adapter, a pseudo-terminal whose
    // other side closed) reports a hang-up, and reads fail with EIO.
    if ((p.revents & POLLIN) == 0)
        return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 ? -1 : 0;
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    if (n == 0 && (p.revents & (POLLHUP | POLLERR)) != 0)
        return -1;
    return static_cast<long>(n);
}

size_t SerialPort::Write(std::string_view bytes, int timeoutMs) {
    size_t written = 0;
    int waited = 0;
    while (fd_ >= 0 && written < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (waited >= timeoutMs)
            break;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 10);
        waited += 10;
    }
    return written;
}

bool PortPresent(const std::string& path) {
    SerialPort port;
    if (!port.Open(path, 115200))
        return false;
    port.Close();
    return true;
}

std::vector<std::string> ScanPorts(const std::string& extraPorts) {
    std::vector<std::string> found;
    std::vector<std::string> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            nodes.push_back(entry.path().string());
    }
    std::sort(nodes.begin(), nodes.end());
    size_t start = 0;
    while (start <= extraPorts.size()) {
        size_t end = extraPorts.find(':', start);
        if (end == std::string::npos)
            end = extraPorts.size();
        if (end > start)
            nodes.push_back(extraPorts.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& node : nodes) {
        if (std::find(found.begin(), found.end(), node) != found.end() || !PortPresent(node))
            continue;
        for (int step = 0; step < 4; ++step)
            found.push_back(node);
    }
    return found;
}

}  // namespace qv
