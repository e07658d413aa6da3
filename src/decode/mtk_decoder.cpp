#include "decode/mtk_decoder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/date_time.h"
#include "core/display_format.h"
#include "decode/log_blocks.h"

namespace qv {
namespace {

struct MtkRecordResult {
    size_t length = 0;       // bytes of the record, '*' and checksum included
    bool invalid = false;    // not to be stored
    bool truncated = false;  // the record would run past the bytes available
    bool speedAbnormal = false;
    bool unexpectedFormat = false;
    bool satDetail = false;
    int32_t utcSeconds = 0;
};

// Field sizes by format-word bit. Bit 13 is the satellite list, whose size
// depends on the record; bits 14 to 16 only widen its entries.
constexpr uint8_t kFieldSize[20] = {4, 2, 8, 8, 4, 4, 4, 2, 4, 2, 2, 2, 2, 0, 0, 0, 0, 2, 2, 8};
constexpr int kBitTime = 0, kBitValid = 1, kBitLat = 2, kBitLon = 3, kBitHeight = 4, kBitSpeed = 5,
              kBitSatCounts = 12, kBitSatList = 13, kBitMillisecond = 18;
constexpr int kNoField = -1;

// Where each field of a format word lies. Offsets of bits 17 to 19 count
// from the end of the satellite list, which follows bits 0 to 12.
struct Layout {
    uint32_t format = 0;
    int offset[20];
    size_t head = 0;    // bytes of bits 0 to 12
    size_t perSat = 0;  // bytes per listed satellite, 0 without the list
    size_t tail = 0;    // bytes of bits 17 to 19
    bool accepted = false;

    size_t Length(unsigned satView) const { return head + perSat * satView + tail + 2; }
};

Layout MakeLayout(uint32_t format) {
    Layout layout;
    layout.format = format;
    layout.accepted = IsAcceptedMtkFormat(format);
    const bool hasList = (format & (1u << kBitSatList)) != 0;
    if (hasList) {
        layout.perSat =
            4 + 2 * ((format >> 14) & 1) + 2 * ((format >> 15) & 1) + 2 * ((format >> 16) & 1);
    }
    for (int bit = 0; bit < 20; ++bit) {
        layout.offset[bit] = kNoField;
        if ((format & (1u << bit)) == 0 || kFieldSize[bit] == 0)
            continue;
        size_t& pos = bit < kBitSatList ? layout.head : layout.tail;
        layout.offset[bit] = static_cast<int>(pos);
        pos += kFieldSize[bit];
    }
    return layout;
}

template <typename T>
T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);  // the flash is little-endian, as is every supported host
    return v;
}

uint32_t Load32(const uint8_t* p) {
    return Load<uint32_t>(p);
}

// Decodes the record at `record`, of which `available` bytes may be read,
// into `fix` (zeroed first; DtTm, Act and BlkIdx are left for the caller).
MtkRecordResult DecodeWithLayout(const Layout& layout, const uint8_t* record, size_t available,
                                 TLogItem& fix) {
    MtkRecordResult result;
    fix = TLogItem{};

    unsigned satView = 0;
    if (layout.offset[kBitSatCounts] != kNoField) {
        const size_t at = static_cast<size_t>(layout.offset[kBitSatCounts]);
        if (at + 2 > available) {
            result.truncated = true;
            result.invalid = true;
            return result;
        }
        fix.sat_view = record[at];
        fix.sat_used = record[at + 1];
        satView = fix.sat_view;
    }
    const size_t length = layout.Length(satView);
    result.length = length;
    if (length > available) {
        result.truncated = true;
        result.invalid = true;
        return result;
    }
    // Bits 17 to 19 follow the satellite list (empty without bit 13).
    const size_t tailBase = layout.head + layout.perSat * satView;
    auto field = [&](int bit) -> const uint8_t* {
        const int off = layout.offset[bit];
        if (off == kNoField)
            return nullptr;
        return record + (bit > kBitSatList ? tailBase : 0) + static_cast<size_t>(off);
    };

    if (const uint8_t* p = field(kBitTime))
        result.utcSeconds = Load<int32_t>(p);
    if (const uint8_t* p = field(kBitValid))
        fix.valid = Load<uint16_t>(p);
    if (const uint8_t* p = field(kBitLat))
        fix.Ido = Load<double>(p);
    if (const uint8_t* p = field(kBitLon))
        fix.Kdo = Load<double>(p);
    if (const uint8_t* p = field(kBitHeight))
        fix.Elv = Load<float>(p);
    if (const uint8_t* p = field(kBitSpeed))
        fix.Spd = Load<float>(p);
    if (const uint8_t* p = field(kBitMillisecond))
        fix.ms = Load<uint16_t>(p);

    const size_t starAt = length - 2;
    if (record[starAt] != '*') {
        result.invalid = true;
        return result;
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < starAt; ++i)
        sum ^= record[i];
    if (sum != record[starAt + 1])
        result.invalid = true;

    // Non-finite values are refused too: one NaN would poison every
    // bounding box and graph range downstream.
    if (!(fix.Ido >= -90 && fix.Ido <= 90)) {
        result.invalid = true;
    } else if (!(fix.Kdo >= -180 && fix.Kdo <= 180)) {
        result.invalid = true;
    } else if (!(fix.Spd >= 0 && fix.Spd <= 2000)) {
        result.invalid = true;
        result.speedAbnormal = true;
    }
    if (!std::isfinite(fix.Elv))
        result.invalid = true;
    if (fix.ms > 999)
        result.invalid = true;
    if (!layout.accepted) {
        result.invalid = true;
        result.unexpectedFormat = true;
    }
    if (layout.format == kMtkFormatSatDetail)
        result.satDetail = true;
    if (result.utcSeconds == 0)
        result.invalid = true;
    return result;
}

// An MTK fix has no motion, so slots [first, end) are zeroed. The store is
// mostly never-touched memory, and touching 20 MB of it only to write zeros
// costs more than decoding a full image: whole pages are handed back to the
// system instead, which gives them back zero-filled when next touched.
void ClearMotion(LogStore& log, int first, int end) {
    if (end <= first)
        return;
    auto* begin = reinterpret_cast<uint8_t*>(log.MotionItems.data() + first);
    const size_t size = static_cast<size_t>(end - first) * sizeof(TMotionSens);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize > 0) {
        const uintptr_t mask = static_cast<uintptr_t>(pageSize) - 1;
        const uintptr_t from = reinterpret_cast<uintptr_t>(begin);
        const uintptr_t pagesFrom = (from + mask) & ~mask;
        const uintptr_t pagesTo = (from + size) & ~mask;
        if (pagesTo > pagesFrom &&
            madvise(reinterpret_cast<void*>(pagesFrom), pagesTo - pagesFrom, MADV_DONTNEED) == 0) {
            std::memset(begin, 0, pagesFrom - from);
            std::memset(reinterpret_cast<uint8_t*>(pagesTo), 0, from + size - pagesTo);
            return;
        }
    }
    std::memset(begin, 0, size);
}

// Reports what a record tells beyond its fix: the abnormal-speed line and
// the format flags.
void ReportRecord(const MtkTarget& target, const MtkRecordResult& result, const TLogItem& fix) {
    if (result.speedAbnormal) {
        const TDateTime when = result.utcSeconds / kSecondsPerDay + target.localTimeBase;
        target.diagnostics.Insert(StrFormat("spd abnormal %.2f km/h", fix.Spd) +
                                  FormatDateTime(" YYYYMMDD_HHNNSS", when));
    }
    if (result.unexpectedFormat)
        target.log.UnexpectedFormatSeen = true;
    if (result.satDetail)
        target.log.SatDetailFormatSeen = true;
}

}  // namespace

bool IsAcceptedMtkFormat(uint32_t format) {
    return format == kMtkFormatHeading || format == kMtkFormatBasic ||
           format == kMtkFormatSatDetail;
}

size_t MtkRecordLength(uint32_t format, unsigned satView) {
    return MakeLayout(format).Length(satView);
}

namespace {

// Decodes one sector's fixes, leaving their motion slots as they were.
void DecodeSectorFixes(const MtkTarget& target, std::span<const uint8_t> image, size_t sector) {
    const size_t begin = sector * kMtkSectorSize;
    if (begin + kMtkHeaderSize > image.size())
        return;
    const size_t end = std::min(image.size(), begin + kMtkSectorSize);
    const uint8_t* base = image.data();

    LogStore& log = target.log;
    Layout layout = MakeLayout(Load32(base + begin + kMtkFormatOffset));
    TLogItem scratch;  // decodes records that arrive while the store is full

    size_t p = begin + kMtkHeaderSize;
    while (p < end) {
        const size_t left = end - p;
        if (left < 4)
            break;
        const uint32_t first4 = Load32(base + p);
        if (first4 == 0xAAAAAAAAu) {
            if (left >= kMtkSeparatorSize && base[p + 4] == 0xAA && base[p + 5] == 0xAA &&
                base[p + 6] == 0xAA && Load32(base + p + 12) == 0xBBBBBBBBu) {
                if (base[p + 7] == 2)
                    layout = MakeLayout(Load32(base + p + 8));
            }
            p += kMtkSeparatorSize;
            continue;
        }
        if (first4 == 0xFFFFFFFFu) {
            p = (p + 16) & ~size_t{15};
            continue;
        }

        // The store never grows past its capacity: records beyond it are
        // parsed for their length and then dropped.
        const bool full = log.LogItemNum >= MaxLogItemNum;
        const int slot = log.LogItemNum;
        TLogItem& fix = full ? scratch : log.LogItems[slot];
        const MtkRecordResult result = DecodeWithLayout(layout, base + p, left, fix);
        if (result.truncated)
            break;
        ReportRecord(target, result, fix);
        if (!result.invalid) {
            if (full) {
                ++log.DroppedRecords;
            } else {
                fix.DtTm =
                    result.utcSeconds / kSecondsPerDay + target.localTimeBase + fix.ms / kMsPerDay;
                AssignFixToBlock(log, slot);
                ++log.LogItemNum;
            }
            p += result.length;
            continue;
        }
        // Resynchronise on the next '*' within one record length.
        const size_t window = std::min(result.length, left);
        const void* star = std::memchr(base + p, '*', window);
        if (star != nullptr) {
            p += static_cast<size_t>(static_cast<const uint8_t*>(star) - (base + p)) + 2;
        } else {
            p += result.length;
        }
    }
}

}  // namespace

void DecodeMtkSector(const MtkTarget& target, std::span<const uint8_t> image, size_t sector) {
    const int first = target.log.LogItemNum;
    DecodeSectorFixes(target, image, sector);
    ClearMotion(target.log, first, target.log.LogItemNum);
}

void DecodeMtkImage(const MtkTarget& target, std::span<const uint8_t> image, size_t sectorCount) {
    const int first = target.log.LogItemNum;
    for (size_t s = 0; s < sectorCount; ++s)
        DecodeSectorFixes(target, image, s);
    ClearMotion(target.log, first, target.log.LogItemNum);
}

}  // namespace qv
