#pragma once
// A serial port device node with the logger's line settings: 8N1, DTR and
// RTS on, no flow control, raw bytes, opened exclusively.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class SerialPort {
  public:
    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // `baud` is 115200, 460800 or 921600; any other value fails. A port that
    // is already open fails too. `error` gets the platform's message.
    bool Open(const std::string& path, int baud, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Drops whatever waits in both directions.
    void Purge();
    // Up to `capacity` bytes, waiting at most `timeoutMs` for the first one.
    // 0 on time-out, -1 when the port failed or hung up.
    long Read(uint8_t* buffer, size_t capacity, int timeoutMs);
    // Writes all bytes unless `timeoutMs` passes first; the count written.
    size_t Write(std::string_view bytes, int timeoutMs);

  private:
    int fd_ = -1;
};

// True when the device node opens as a serial port; it is closed at once.
bool PortPresent(const std::string& path);

// The candidates of one connection: /dev/ttyUSB*, /dev/ttyACM* and the
// colon-separated `extraPorts` (the QUORVANE_PORTS variable) that open, each
// entered four times in a row, once for every probe step.
std::vector<std::string> ScanPorts(const std::string& extraPorts);

}  // namespace qv
