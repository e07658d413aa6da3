#include "device/download_plan.h"

#include <charconv>
#include <cstdio>

#include "core/stores.h"
#include "core/text_utils.h"
#include "device/device_requests.h"

namespace qv {
namespace {

std::string Read(const char* pattern, unsigned address) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, address);
    return text;
}

// The third comma-separated field of the release text; 10000 when it is
// missing or not a number.
long ReleaseBuild(const std::string& release) {
    size_t start = 0;
    for (int i = 0; i < 2; ++i) {
        start = release.find(',', start);
        if (start == std::string::npos)
            return 10000;
        ++start;
    }
    const size_t end = release.find(',', start);
    const std::string_view field =
        std::string_view(release).substr(start, end == std::string::npos ? end : end - start);
    long v = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (ec != std::errc() || ptr != field.data() + field.size() || field.empty())
        return 10000;
    return v;
}

}  // namespace

int Qv4BlocksToRead(const std::string& usedMemory) {
    if (usedMemory.empty())
        return 1;
    const uint64_t used = static_cast<uint32_t>(HexToInt(usedMemory));
    const uint64_t blocks = (used + 4095) / 4096;
    return blocks > 4094 ? 4094 : static_cast<int>(blocks);
}

int LastSectorToRead(const std::string& usedMemory) {
    if (usedMemory.empty())
        return 127;
    const uint32_t used = static_cast<uint32_t>(HexToInt(usedMemory));
    const uint32_t sector = used / 65536;
    return sector > 127 ? 127 : static_cast<int>(sector);
}

void ApplyRange(int startUnit, int endUnit, int& firstSector, int& lastSector) {
    firstSector = startUnit * 16;
    if (endUnit * 16 < lastSector)
        lastSector = endUnit * 16 - 1;
    if (firstSector > lastSector)
        firstSector = lastSector < 0 ? 0 : lastSector;
    if (lastSector < firstSector)
        lastSector = firstSector;
}

DownloadPlan PlanDownload(LoggerModel model, const StatusFields& status, const std::string& release,
                          int slowLevel, int firstSector, int lastSector) {
    DownloadPlan plan;
    if (model == LoggerModel::QV4) {
        int e = Qv4BlocksToRead(status.logNextAddress);
        if (e < 1)
            e = 1;
        plan.kind = DownloadKind::Qv4Stream;
        plan.fillBytes = kRawLogBufSize;
        for (int i = 0; i < 2 * e; ++i)
            plan.pending[static_cast<size_t>(i)] = 1;
        plan.commands.push_back(Read("PMTK182,7,0,%X000", static_cast<unsigned>(e)));
        plan.commands.push_back("PMTK182,7,FFFFF0,10");
        plan.totalUnits = 2 * e;
        plan.readBytes = int64_t{e} * 4096;
        return plan;
    }
    plan.fillBytes = kRawLogBufSize / 2;
    if (firstSector < 0)
        firstSector = 0;
    if (lastSector > 127)
        lastSector = 127;
    if (model == LoggerModel::QV3) {
        const bool binary = ReleaseBuild(release) > 10000;
        plan.kind = binary ? DownloadKind::Qv3Binary : DownloadKind::Qv3Text;
        for (int s = firstSector; s <= lastSector; ++s) {
            for (int j = 0; j < 64; ++j)
                plan.pending[static_cast<size_t>(s * 64 + j)] = 1;
            const unsigned base = static_cast<unsigned>(s) * 65536u;
            if (binary) {
                for (unsigned j = 0; j < 64; ++j)
                    plan.commands.push_back(Read("PTSI870,7,%.8u,1024", base + j * 1024));
            } else {
                for (unsigned j = 0; j < 32; ++j)
                    plan.commands.push_back(Read("PMTK182,7,%.8X,800", base + j * 2048));
            }
        }
    } else {
        plan.kind = DownloadKind::Generic;
        plan.commands.push_back("PMTK300,1000,0,0,0,0");
        const int level = slowLevel >= 0 && slowLevel <= 2 ? slowLevel : 0;
        static constexpr unsigned kPieceSize[] = {2048, 256, 512};
        static constexpr const char* kPattern[] = {"PMTK182,7,%.8X,800", "PMTK182,7,%.8X,100",
                                                   "PMTK182,7,%.8X,200"};
        const unsigned size = kPieceSize[level];
        for (int s = firstSector; s <= lastSector; ++s) {
            const unsigned base = static_cast<unsigned>(s) * 65536u;
            for (unsigned at = 0; at < 65536; at += size)
                plan.commands.push_back(Read(kPattern[level], base + at));
        }
        plan.restoreCommand = FixIntervalCommand(status.logTimeInterval, 200);
        plan.commands.push_back(plan.restoreCommand);
    }
    plan.totalUnits = static_cast<int>(plan.commands.size());
    plan.readBytes = int64_t{lastSector - firstSector + 1} * 65536;
    return plan;
}

}  // namespace qv
