#include "synth/bnx4_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/stores.h"
#include "decode/bnx4_decoder.h"
#include "decode/log_check_value.h"

namespace qv::synth {
namespace {

bool Has(uint32_t format, int bit) {
    return (format >> bit) & 1u;
}

constexpr TDateTime kEarliestFixTime = 44197.0;  // 2021-01-01 00:00

}  // namespace

Bnx4ImageWriter::Bnx4ImageWriter(const Bnx4WriterOptions& options)
    : options_(options), format_(options.formatWord) {
    OpenBlock(format_);
}

bool Bnx4ImageWriter::OpenBlock(uint32_t headerFormat) {
    if (options_.maxBlocks != 0 && blocks_ >= options_.maxBlocks)
        return false;
    const size_t begin = blocks_ * kBlock4kSize;
    image_.resize(begin + kBlock4kSize, 0xFF);
    // Header: the block's record count (not read by the program), the format
    // word, the rest erased.
    image_[begin] = 0;
    image_[begin + 1] = 0;
    std::memcpy(&image_[begin + kBlock4kFormatOffset], &headerFormat, 4);
    format_ = headerFormat;
    ++blocks_;
    pos_ = begin + kBlock4kHeaderSize;
    return true;
}

size_t Bnx4ImageWriter::RecordLength() const {
    return Record4kLength(format_);
}

size_t Bnx4ImageWriter::BlockSpaceLeft() const {
    return blocks_ * kBlock4kSize - pos_;
}

bool Bnx4ImageWriter::Reachable(size_t bytes) const {
    // The decoder goes on only while both a separator and a record of the
    // current length fit before the block end.
    const size_t need = std::max({bytes, kBlock4kSeparatorSize, RecordLength()});
    return need <= BlockSpaceLeft();
}

bool Bnx4ImageWriter::CanAddFix() const {
    return Reachable(RecordLength()) || options_.maxBlocks == 0 || blocks_ < options_.maxBlocks;
}

bool Bnx4ImageWriter::StartBlock(uint32_t headerFormat) {
    return OpenBlock(headerFormat);
}

bool Bnx4ImageWriter::AddErasedBlock() {
    if (!OpenBlock(format_))
        return false;
    const size_t begin = (blocks_ - 1) * kBlock4kSize;
    std::fill(image_.begin() + static_cast<long>(begin), image_.end(), uint8_t{0xFF});
    pos_ = begin + kBlock4kSize;
    return true;
}

void Bnx4ImageWriter::AddBytes(const std::vector<uint8_t>& bytes) {
    const size_t n = std::min(bytes.size(), BlockSpaceLeft());
    std::copy_n(bytes.begin(), n, image_.begin() + static_cast<long>(pos_));
    pos_ += n;
}

bool Bnx4ImageWriter::AddSeparator(uint8_t type, uint32_t value) {
    if (!Reachable(kBlock4kSeparatorSize) && !OpenBlock(format_))
        return false;
    uint8_t* p = &image_[pos_];
    std::memset(p, 0xAA, 7);
    p[7] = type;
    std::memcpy(p + 8, &value, 4);
    std::memset(p + 12, 0xBB, 4);
    pos_ += kBlock4kSeparatorSize;
    if (type == 2)
        format_ = value;
    return true;
}

bool Bnx4ImageWriter::AddFix(const SynthFix& fix, Bnx4Fault fault) {
    if (!Reachable(RecordLength()) && !OpenBlock(format_))
        return false;
    WriteRecord(fix, fault);
    return true;
}

void Bnx4ImageWriter::WriteRecord(const SynthFix& fix, Bnx4Fault fault) {
    int64_t utcMs = fix.utcMs;
    if (fault == Bnx4Fault::Before2021) {
        const TDateTime local = kEarliestFixTime - 1.0 / kSecondsPerDay;
        utcMs = std::llround((local - options_.localTimeBase) * kSecondsPerDay) * 1000;
    }
    const uint32_t utc = static_cast<uint32_t>(utcMs / 1000);
    const uint16_t ms =
        fault == Bnx4Fault::Millisecond999 ? 999 : static_cast<uint16_t>(utcMs % 1000);
    const uint16_t validity = fault == Bnx4Fault::NotValid ? 2 : kBlock4kValidFix;
    const double lat = fault == Bnx4Fault::LatitudeOut ? 90.5 : fix.lat;
    const double lon = fault == Bnx4Fault::LongitudeOut ? -180.5 : fix.lon;
    const float elv =
        fault == Bnx4Fault::ElevationNaN ? std::numeric_limits<float>::quiet_NaN() : fix.elv;
    const float spd = fault == Bnx4Fault::SpeedZero        ? 0.0f
                      : fault == Bnx4Fault::SpeedAbove2000 ? 2000.5f
                                                           : fix.spd;

    uint8_t* const start = &image_[pos_];
    uint8_t* p = start;
    auto put = [&p](const auto& value) {
        std::memcpy(p, &value, sizeof value);
        p += sizeof value;
    };
    size_t validityAt = SIZE_MAX;
    if (Has(format_, 0))
        put(utc);
    if (Has(format_, 1)) {
        validityAt = static_cast<size_t>(p - start);
        put(validity);
    }
    if (Has(format_, 2))
        put(lat);
    if (Has(format_, 3))
        put(lon);
    if (Has(format_, 4))
        put(elv);
    if (Has(format_, 5))
        put(spd);
    if (Has(format_, 12)) {
        *p++ = fix.satView;
        *p++ = fix.satUsed;
    }
    if (Has(format_, 17))
        put(uint16_t{1});
    if (Has(format_, 18))
        put(ms);
    if (Has(format_, 21)) {
        // Motion-sensor readings; the program skips them.
        for (int k = 0; k < 13; ++k)
            put(static_cast<float>(fix.compassDeg * 0.01f + static_cast<float>(k)));
    }
    uint8_t sum = 0;
    for (uint8_t* q = start; q < p; ++q)
        sum ^= *q;
    *p++ = '*';
    *p++ = sum;
    const size_t length = static_cast<size_t>(p - start);

    if (fault == Bnx4Fault::Scrambled) {
        for (size_t k = 0; k < length; ++k) {
            noise_ = noise_ * 1664525u + 1013904223u;
            start[k] = static_cast<uint8_t>(noise_ >> 24);
        }
        if (validityAt != SIZE_MAX) {
            start[validityAt] = 0x5A;
            start[validityAt + 1] = 0x5A;
        }
        start[0] = 0x00;  // never an erased head or a separator
    }
    if (fault == Bnx4Fault::ErasedHead)
        std::memset(start, 0xFF, std::min<size_t>(6, length));
    pos_ += length;
    const size_t blockBegin = (blocks_ - 1) * kBlock4kSize;
    const uint16_t count = static_cast<uint16_t>(image_[blockBegin] | image_[blockBegin + 1] << 8);
    const uint16_t next = static_cast<uint16_t>(count + 1);
    image_[blockBegin] = static_cast<uint8_t>(next);
    image_[blockBegin + 1] = static_cast<uint8_t>(next >> 8);

    // What the decoder is to make of the record.
    if (fault == Bnx4Fault::ErasedHead)
        return;
    if (!Has(format_, 1) || validity != kBlock4kValidFix || fault == Bnx4Fault::Scrambled) {
        skipCounter_ = kBlock4kSkipAfterInvalid;
        return;
    }
    if (skipCounter_ > 0) {
        --skipCounter_;
        return;
    }
    const TDateTime local =
        utc == 0 ? 0 : utc / kSecondsPerDay + options_.localTimeBase + ms / kMsPerDay;
    const bool good = fault == Bnx4Fault::None &&
                      (format_ & kBlock4kRequiredBits) == kBlock4kRequiredBits && spd > 0 &&
                      spd <= 2000 && lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180 &&
                      ms <= 998 && local >= kEarliestFixTime && std::isfinite(elv);
    if (good) {
        if (good_ == 0)
            firstGood_ = fix;
        ++good_;
    }
}

int Bnx4ImageWriter::ExpectedFixes() const {
    return static_cast<int>(std::min<int64_t>(good_, MaxLogItemNum));
}

Float80 Bnx4ImageWriter::ExpectedCheckValue() const {
    const int count = ExpectedFixes();
    return count > 0 ? ComputeLogCheckValue(count, firstGood_.lat, firstGood_.lon) : 0;
}

std::vector<uint8_t> Bnx4ImageWriter::Finish(size_t minBlocks, bool writeCheckValue) const {
    std::vector<uint8_t> image = image_;
    if (image.size() < minBlocks * kBlock4kSize)
        image.resize(minBlocks * kBlock4kSize, 0xFF);
    if (writeCheckValue)
        WriteCheckValue(image, ExpectedCheckValue());
    return image;
}

std::vector<uint8_t> EncodeBnx4Image(const std::vector<SynthFix>& fixes, uint32_t formatWord,
                                     size_t minBlocks) {
    Bnx4WriterOptions options;
    options.formatWord = formatWord;
    Bnx4ImageWriter writer(options);
    for (const SynthFix& fix : fixes) {
        if (!writer.AddFix(fix))
            break;
    }
    return writer.Finish(minBlocks);
}

}  // namespace qv::synth
