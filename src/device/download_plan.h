#pragma once
// What MTK_READ_LOG sends: the reads of the used flash, by model, and the
// pieces that are pending before the first reply.

#include <cstdint>
#include <string>
#include <vector>

#include "device/link_state.h"
#include "device/logger_model.h"
#include "device/status_fields.h"

namespace qv {

struct DownloadPlan {
    DownloadKind kind = DownloadKind::None;
    std::vector<std::string> commands;
    std::vector<uint8_t> pending = std::vector<uint8_t>(kPendingEntries, 0);
    int totalUnits = 0;
    int64_t readBytes = 0;  // of the logger's memory, for the progress figures
    size_t fillBytes = 0;   // image bytes set to 0xFF first
    std::string restoreCommand;
};

// QV4: 4096-byte blocks of the used memory, 1 to 4094.
int Qv4BlocksToRead(const std::string& usedMemory);
// QV3 and generic: the 64-KiB sector holding the next free byte, at most
// 127; 127 when the field is empty.
int LastSectorToRead(const std::string& usedMemory);
// The QV3 range dialog's units to sectors: first and last sector after it.
void ApplyRange(int startUnit, int endUnit, int& firstSector, int& lastSector);

// The slow level after a generic download failed: 2048-byte reads become
// 512, then 256 (levels 0, 2, 1); 256 is the smallest.
constexpr int SlowerLevel(int slowLevel) {
    return slowLevel == 0 ? 2 : 1;
}

DownloadPlan PlanDownload(LoggerModel model, const StatusFields& status, const std::string& release,
                          int slowLevel, int firstSector, int lastSector);

}  // namespace qv
