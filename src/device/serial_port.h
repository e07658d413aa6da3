#pragma once
// A serial port device node with the logger's line settings: 8N1, DTR and
// RTS on, no flow control, raw bytes, opened exclusively.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/link_port.h"

namespace qv {

class SerialPort : public LinkPort {
  public:
    SerialPort() = default;
    ~SerialPort() override { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // `baud` is 115200, 460800 or 921600; any other value fails. A port that
    // is already open fails too. `error` gets the platform's message.
    bool Open(const std::string& path, int baud, std::string* error = nullptr) override;
    void Close() override;
    bool IsOpen() const { return fd_ >= 0; }

    // Drops whatever waits in both directions.
    void Purge();
    long Read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    size_t Write(std::string_view bytes, int timeoutMs) override;

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
