#include "decode/bnx4_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/date_time.h"
#include "decode/log_blocks.h"

namespace qv {
namespace {

constexpr TDateTime kDate1999 = 36161.0;         // 1999-01-01 00:00
constexpr TDateTime kEarliestFixTime = 44197.0;  // 2021-01-01 00:00

constexpr int kBitTime = 0, kBitValid = 1, kBitLat = 2, kBitLon = 3, kBitHeight = 4, kBitSpeed = 5,
              kBitSatCounts = 12, kBitMillisecond = 18;
constexpr int kFieldBits = 22;
// Field sizes by format-word bit; every bit not listed here has no bytes.
constexpr uint8_t kFieldSize[kFieldBits] = {4, 2, 8, 8, 4, 4, 0, 0, 0, 0, 0,
                                            0, 2, 0, 0, 0, 0, 2, 2, 0, 0, 52};
constexpr uint8_t kNoField = 0xFF;

// Where the fields of one format word lie in its records.
struct Layout {
    uint8_t offset[kFieldBits]{};
    size_t length = 2;
    bool complete = false;  // all required fields present
};

constexpr Layout MakeLayout(uint32_t format) {
    Layout layout;
    size_t pos = 0;
    for (int bit = 0; bit < kFieldBits; ++bit) {
        layout.offset[bit] = kNoField;
        if ((format & (1u << bit)) == 0 || kFieldSize[bit] == 0)
            continue;
        layout.offset[bit] = static_cast<uint8_t>(pos);
        pos += kFieldSize[bit];
    }
    layout.length = pos + 2;
    layout.complete = (format & kBlock4kRequiredBits) == kBlock4kRequiredBits;
    return layout;
}
static_assert(MakeLayout(kBlock4kRequiredBits).length == 36);
static_assert(MakeLayout(kBlock4kRequiredBits | kBlock4kSensorBit).length == 88);
static_assert(MakeLayout(kBlock4kRequiredBits).offset[kBitMillisecond] == 32);
static_assert(MakeLayout(0xFFFFFFFFu).length == 90);

template <typename T>
T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);  // the flash is little-endian, as is every supported host
    return v;
}

template <typename T>
T Field(const Layout& layout, const uint8_t* record, int bit) {
    const uint8_t off = layout.offset[bit];
    return off == kNoField ? T{} : Load<T>(record + off);
}

bool IsSeparator(const uint8_t* p) {
    return Load<uint32_t>(p) == 0xAAAAAAAAu && p[4] == 0xAA && p[5] == 0xAA && p[6] == 0xAA &&
           Load<uint32_t>(p + 12) == 0xBBBBBBBBu;
}

bool IsErased(const uint8_t* p) {
    return Load<uint32_t>(p) == 0xFFFFFFFFu && Load<uint16_t>(p + 4) == 0xFFFF;
}

// The record holds at least layout.length bytes.
Record4kOutcome DecodeWithLayout(const MtkTarget& target, Block4kState& state, const Layout& layout,
                                 const uint8_t* record) {
    TLogItem fix;
    const uint32_t utc = Field<uint32_t>(layout, record, kBitTime);
    const uint16_t validity = Field<uint16_t>(layout, record, kBitValid);
    fix.Ido = Field<double>(layout, record, kBitLat);
    fix.Kdo = Field<double>(layout, record, kBitLon);
    fix.Elv = Field<float>(layout, record, kBitHeight);
    fix.Spd = Field<float>(layout, record, kBitSpeed);
    if (layout.offset[kBitSatCounts] != kNoField) {
        fix.sat_view = record[layout.offset[kBitSatCounts]];
        fix.sat_used = record[layout.offset[kBitSatCounts] + 1];
    }
    fix.ms = Field<uint16_t>(layout, record, kBitMillisecond);
    if (utc == 0) {
        fix.DtTm = 0;
    } else if (fix.ms >= 1000) {
        fix.DtTm = kDate1999;
    } else {
        fix.DtTm = utc / kSecondsPerDay + target.localTimeBase + fix.ms / kMsPerDay;
    }

    if (validity != kBlock4kValidFix) {
        state.skipCounter = kBlock4kSkipAfterInvalid;
        return Record4kOutcome::NotValid;
    }
    if (state.skipCounter > 0) {
        --state.skipCounter;
        return Record4kOutcome::Skipped;
    }
    // Written so that NaN fails every test; a non-finite elevation is refused
    // as well, since it would poison every range computed downstream.
    const bool plausible = fix.Spd > 0 && fix.Spd <= 2000 && fix.Ido >= -90 && fix.Ido <= 90 &&
                           fix.Kdo >= -180 && fix.Kdo <= 180 && fix.ms <= 998 &&
                           fix.DtTm >= kEarliestFixTime && std::isfinite(fix.Elv) &&
                           layout.complete;
    if (!plausible)
        return Record4kOutcome::Rejected;

    LogStore& log = target.log;
    if (log.LogItemNum >= MaxLogItemNum) {
        ++log.DroppedRecords;
        return Record4kOutcome::Dropped;
    }
    const int slot = log.LogItemNum;
    fix.valid = kBlock4kValidFix;
    log.LogItems[slot] = fix;
    log.MotionItems[slot] = TMotionSens{};
    AssignFixToBlock(log, slot);
    ++log.LogItemNum;
    return Record4kOutcome::Stored;
}

}  // namespace

size_t Record4kLength(uint32_t format) {
    return MakeLayout(format).length;
}

Record4kOutcome DecodeRecord4k(const MtkTarget& target, Block4kState& state, const uint8_t* record,
                               size_t available, uint32_t format) {
    const Layout layout = MakeLayout(format);
    if (available < layout.length)
        return Record4kOutcome::Truncated;
    return DecodeWithLayout(target, state, layout, record);
}

void DecodeBlock4k(const MtkTarget& target, Block4kState& state, std::span<const uint8_t> image,
                   size_t block) {
    if (block > image.size() / kBlock4kSize)
        return;
    const size_t begin = block * kBlock4kSize;
    if (begin + kBlock4kHeaderSize > image.size())
        return;
    const size_t end = std::min(image.size(), begin + kBlock4kSize);
    const uint8_t* base = image.data();

    Layout layout = MakeLayout(Load<uint32_t>(base + begin + kBlock4kFormatOffset));
    size_t p = begin + kBlock4kHeaderSize;
    // The block ends where neither a separator nor a record fits any more.
    while (p + kBlock4kSeparatorSize <= end && p + layout.length <= end) {
        if (IsSeparator(base + p)) {
            if (base[p + 7] == 2)
                layout = MakeLayout(Load<uint32_t>(base + p + 8));
            p += kBlock4kSeparatorSize;
            continue;
        }
        if (!IsErased(base + p))
            DecodeWithLayout(target, state, layout, base + p);
        p += layout.length;
    }
}

void DecodeBlock4kImage(const MtkTarget& target, std::span<const uint8_t> image,
                        size_t blockCount) {
    Block4kState state;
    const size_t present = (image.size() + kBlock4kSize - 1) / kBlock4kSize;
    for (size_t b = 0; b < std::min(blockCount, present); ++b)
        DecodeBlock4k(target, state, image, b);
}

}  // namespace qv
