#pragma once
// What the logger keeps between commands: its flash and its settings.
// Settings live as long as the process, like a logger that stays powered.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simlogger/logger_model.h"

namespace qv::sim {

struct LoggerSettings {
    int fixIntervalMs = 100;
    uint32_t logFormat = 0x0004103F;
    int logTimeInterval = 1;  // tenths of a second
    int logDistance = 0;
    int logSpeed = 0;
    int recordingMethod = 2;  // 1 overwrite, 2 stop when full
    int dgpsMode = 0;
    int sbas = 1;
    int datum = 0;
    std::string nmeaOutput = "0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0";
    std::string baudConfiguration = "0,10,115200,0,1,0,0,0,0,0,0,0,0,115200";
    std::string deviceIdentity = "00A1B2C3D4E5";
    double triggerSpeedKmh = 30;
    std::string secondVersion = "27";
};

struct LoggerState {
    LoggerModel model = LoggerModel::Qv4;
    std::string release;
    LoggerSettings settings;
    std::vector<uint8_t> flash;  // always FlashSize(model) bytes

    // Both are derived from the flash and cached until it changes.
    uint32_t NextFreeAddress();
    uint32_t RecordCount();
    void Erase();
    // `size` bytes from `address`; what lies beyond the flash reads as erased.
    std::vector<uint8_t> ReadFlash(uint64_t address, size_t size) const;

  private:
    std::optional<uint32_t> nextFree_;
    std::optional<uint32_t> records_;
};

LoggerSettings DefaultSettings(LoggerModel model);

// The logger as it leaves the factory, holding `image` (padded with 0xFF or
// cut to the flash size).
LoggerState MakeLoggerState(LoggerModel model, std::span<const uint8_t> image);

}  // namespace qv::sim
