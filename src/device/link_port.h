#pragma once
// The byte stream the link threads talk over: a serial port for the
// logger, or a stand-in that hands bytes to a simulated logger in process.
// Read is called by the receive thread only; Write by whichever thread
// holds the link lock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class LinkPort {
  public:
    virtual ~LinkPort() = default;
    // Opens `path` at `baud` and drops whatever waits in it. `error` gets
    // the platform's message.
    virtual bool Open(const std::string& path, int baud, std::string* error = nullptr) = 0;
    virtual void Close() = 0;
    // Up to `capacity` bytes, waiting at most `timeoutMs` for the first one.
    // 0 on time-out, -1 when the port failed or hung up.
    virtual long Read(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;
    // Writes all bytes unless `timeoutMs` passes first; the count written.
    virtual size_t Write(std::string_view bytes, int timeoutMs) = 0;
};

}  // namespace qv
