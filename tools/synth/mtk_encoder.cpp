#include "synth/mtk_encoder.h"

#include <algorithm>
#include <cstring>

#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"

namespace qv::synth {
namespace {

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

bool Has(uint32_t format, int bit) {
    return (format >> bit) & 1u;
}

}  // namespace

MtkImageWriter::MtkImageWriter(uint32_t formatWord) : format_(formatWord) {
    OpenSector();
}

void MtkImageWriter::OpenSector() {
    const size_t begin = sectors_ * kMtkSectorSize;
    image_.resize(begin + kMtkSectorSize, 0xFF);
    // Header: record count (unused by the decoder), format word, the rest erased.
    image_[begin] = 0;
    image_[begin + 1] = 0;
    std::memcpy(&image_[begin + kMtkFormatOffset], &format_, 4);
    ++sectors_;
    pos_ = begin + kMtkHeaderSize;
}

size_t MtkImageWriter::SectorSpaceLeft() const {
    return sectors_ * kMtkSectorSize - pos_;
}

void MtkImageWriter::AddBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > SectorSpaceLeft())
        OpenSector();
    std::copy(bytes.begin(), bytes.end(), image_.begin() + static_cast<long>(pos_));
    pos_ += bytes.size();
}

void MtkImageWriter::AddSeparator(uint8_t type, uint32_t value) {
    std::vector<uint8_t> sep(7, 0xAA);
    sep.push_back(type);
    Put(sep, value);
    sep.insert(sep.end(), 4, 0xBB);
    if (sep.size() > SectorSpaceLeft()) {
        OpenSector();
    }
    AddBytes(sep);
    if (type == 2)
        format_ = value;
}

void MtkImageWriter::EndSector() {
    OpenSector();
}

std::vector<uint8_t> MtkImageWriter::EncodeRecord(const SynthFix& fix, MtkFault fault) const {
    std::vector<uint8_t> rec;
    const int32_t utc = fault == MtkFault::ZeroTime ? 0 : static_cast<int32_t>(fix.utcMs / 1000);
    const uint16_t ms =
        fault == MtkFault::MillisecondOver ? 1000 : static_cast<uint16_t>(fix.utcMs % 1000);
    const double lat = fault == MtkFault::LatitudeOut ? 91.0 : fix.lat;
    const float spd = fault == MtkFault::SpeedAbove2000 ? 2000.5f : fix.spd;
    const unsigned satView = fix.satView;
    for (int bit = 0; bit < 20; ++bit) {
        if (!Has(format_, bit))
            continue;
        switch (bit) {
            case 0:
                Put(rec, utc);
                break;
            case 1:
                Put(rec, uint16_t{2});
                break;
            case 2:
                Put(rec, lat);
                break;
            case 3:
                Put(rec, fix.lon);
                break;
            case 4:
                Put(rec, fix.elv);
                break;
            case 5:
                Put(rec, spd);
                break;
            case 6:
                Put(rec, fix.compassDeg);
                break;
            case 7:
                Put(rec, uint16_t{0});
                break;
            case 8:
                Put(rec, float{0});
                break;
            case 9:
            case 10:
            case 11:
                Put(rec, uint16_t{120});
                break;
            case 12:
                rec.push_back(fix.satView);
                rec.push_back(fix.satUsed);
                break;
            case 13:
                for (unsigned s = 0; s < satView; ++s) {
                    rec.push_back(static_cast<uint8_t>(s + 1));  // PRN
                    rec.push_back(s < fix.satUsed ? 1 : 0);      // used in the fix
                    rec.push_back(0);
                    rec.push_back(0);
                    if (Has(format_, 14))
                        Put(rec, int16_t(30 + s));
                    if (Has(format_, 15))
                        Put(rec, uint16_t(20 * s));
                    if (Has(format_, 16))
                        Put(rec, uint16_t(35));
                }
                break;
            case 17:
                Put(rec, uint16_t{1});
                break;
            case 18:
                Put(rec, ms);
                break;
            case 19:
                Put(rec, double{0});
                break;
            default:
                break;  // bits 14 to 16 widen the satellite list only
        }
    }
    uint8_t sum = 0;
    for (uint8_t b : rec)
        sum ^= b;
    rec.push_back(fault == MtkFault::MissingStar ? '#' : '*');
    rec.push_back(fault == MtkFault::BadChecksum ? static_cast<uint8_t>(sum ^ 0x5A) : sum);
    return rec;
}

void MtkImageWriter::AddFix(const SynthFix& fix, MtkFault fault) {
    AddBytes(EncodeRecord(fix, fault));
    const bool good =
        fault == MtkFault::None && IsAcceptedMtkFormat(format_) && fix.utcMs / 1000 != 0;
    if (good) {
        if (good_ == 0)
            firstGood_ = fix;
        ++good_;
    }
}

std::vector<uint8_t> MtkImageWriter::Finish(size_t minSectors, bool writeCheckValue) const {
    std::vector<uint8_t> image = image_;
    if (image.size() < minSectors * kMtkSectorSize)
        image.resize(minSectors * kMtkSectorSize, 0xFF);
    if (writeCheckValue) {
        const Float80 value =
            good_ > 0 ? ComputeLogCheckValue(good_, firstGood_.lat, firstGood_.lon) : 0;
        WriteCheckValue(image, value);
    }
    return image;
}

std::vector<uint8_t> EncodeMtkImage(const std::vector<SynthFix>& fixes, uint32_t formatWord,
                                    size_t minSectors) {
    MtkImageWriter writer(formatWord);
    for (const SynthFix& fix : fixes)
        writer.AddFix(fix);
    return writer.Finish(minSectors);
}

}  // namespace qv::synth
