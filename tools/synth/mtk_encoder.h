#pragma once
// Writes MTK flash images the way the older loggers do, with the faults a
// real image can carry, so that the decoder can be tested against truth.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "synth/drive.h"

namespace qv::synth {

enum class MtkFault {
    None,
    BadChecksum,      // '*' in place, wrong checksum byte
    MissingStar,      // the byte after the fields is not '*'
    SpeedAbove2000,   // 2000.5 km/h
    MillisecondOver,  // millisecond field 1000
    ZeroTime,         // UTC seconds 0
    LatitudeOut,      // latitude 91
};

class MtkImageWriter {
  public:
    explicit MtkImageWriter(uint32_t formatWord = 0x8004107D);

    // Appends one record in the current format; a record that does not fit
    // the current sector starts the next one, as the logger does.
    void AddFix(const SynthFix& fix, MtkFault fault = MtkFault::None);
    // A separator; type 2 makes `value` the format word from the next record on.
    void AddSeparator(uint8_t type, uint32_t value);
    // Leaves the rest of the current sector erased.
    void EndSector();
    // Raw bytes into the current sector (garbage, partial records); they
    // must fit the sector.
    void AddBytes(const std::vector<uint8_t>& bytes);

    // Bytes left in the current sector.
    size_t SectorSpaceLeft() const;
    size_t SectorsUsed() const { return sectors_; }
    // Records a decoder must accept, and the first of them.
    int GoodRecords() const { return good_; }
    const SynthFix& FirstGoodFix() const { return firstGood_; }

    // The image of at least `minSectors` sectors, the unused flash erased,
    // with the check value of the good records at offset 256.
    std::vector<uint8_t> Finish(size_t minSectors = 0, bool writeCheckValue = true) const;

  private:
    void OpenSector();
    std::vector<uint8_t> EncodeRecord(const SynthFix& fix, MtkFault fault) const;

    uint32_t format_;
    std::vector<uint8_t> image_;
    size_t sectors_ = 0;
    size_t pos_ = 0;  // write position in image_
    int good_ = 0;
    SynthFix firstGood_;
};

// An image of the whole drive in one format, with the check value.
std::vector<uint8_t> EncodeMtkImage(const std::vector<SynthFix>& fixes,
                                    uint32_t formatWord = 0x8004107D, size_t minSectors = 0);

}  // namespace qv::synth
