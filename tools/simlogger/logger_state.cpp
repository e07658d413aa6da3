#include "simlogger/logger_state.h"

#include <algorithm>
#include <memory>

#include "core/date_time.h"
#include "core/diagnostic_list.h"
#include "core/stores.h"
#include "decode/bnx4_decoder.h"
#include "decode/mtk_decoder.h"

namespace qv::sim {

uint32_t LoggerState::NextFreeAddress() {
    if (!nextFree_) {
        size_t end = flash.size();
        while (end > 0 && flash[end - 1] == 0xFF)
            --end;
        nextFree_ = static_cast<uint32_t>(end);
    }
    return *nextFree_;
}

uint32_t LoggerState::RecordCount() {
    if (!records_) {
        // The logger's own count is whatever its records decode to; the
        // decoders of the program are the closest thing to its firmware.
        auto log = std::make_unique<LogStore>();
        DiagnosticList diagnostics(64);
        const MtkTarget target{*log, diagnostics, kUnixEpochDays};
        if (model == LoggerModel::Qv4)
            DecodeBlock4kImage(target, flash, flash.size() / kBlock4kSize);
        else
            DecodeMtkImage(target, flash, flash.size() / kMtkSectorSize);
        records_ = static_cast<uint32_t>(log->LogItemNum);
    }
    return *records_;
}

void LoggerState::Erase() {
    std::fill(flash.begin(), flash.end(), uint8_t{0xFF});
    nextFree_ = 0;
    records_ = 0;
}

std::vector<uint8_t> LoggerState::ReadFlash(uint64_t address, size_t size) const {
    std::vector<uint8_t> bytes(size, 0xFF);
    if (address < flash.size()) {
        const size_t from = static_cast<size_t>(address);
        const size_t n = std::min(size, flash.size() - from);
        std::copy_n(flash.begin() + static_cast<std::ptrdiff_t>(from), n, bytes.begin());
    }
    return bytes;
}

LoggerSettings DefaultSettings(LoggerModel model) {
    LoggerSettings settings;
    if (model != LoggerModel::Qv4) {
        settings.fixIntervalMs = 200;
        settings.logFormat = 0x8004107D;
        settings.logTimeInterval = 2;
    }
    return settings;
}

LoggerState MakeLoggerState(LoggerModel model, std::span<const uint8_t> image) {
    LoggerState state;
    state.model = model;
    state.release = DefaultRelease(model);
    state.settings = DefaultSettings(model);
    state.flash.assign(FlashSize(model), 0xFF);
    std::copy_n(image.begin(), std::min(image.size(), state.flash.size()), state.flash.begin());
    return state;
}

}  // namespace qv::sim
