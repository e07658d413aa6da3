#pragma once
// Writes .bnx4 flash images the way the current loggers do, with the faults a
// real image can carry, and keeps count of the fixes a decoder must accept,
// so that decoders can be tested against truth.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/date_time.h"
#include "core/ext80.h"
#include "synth/drive.h"

namespace qv::synth {

inline constexpr uint32_t kBnx4FormatBasic = 0x4103F;  // every field a fix needs
inline constexpr uint32_t kBnx4FormatSensor =
    kBnx4FormatBasic | (1u << 21);                                         // plus the sensor block
inline constexpr uint32_t kBnx4FormatRcr = kBnx4FormatBasic | (1u << 17);  // plus RCR

enum class Bnx4Fault {
    None,
    NotValid,        // validity word 2
    SpeedZero,       // standing still: 0 km/h
    SpeedAbove2000,  // 2000.5 km/h
    Millisecond999,  // millisecond field 999
    LatitudeOut,     // latitude 90.5
    LongitudeOut,    // longitude -180.5
    Before2021,      // 2020-12-31 23:59:59 local time
    ElevationNaN,    // height not a number
    ErasedHead,      // the first 6 bytes of the record still erased
    Scrambled,       // the record overwritten with noise (its validity is not 3)
};

struct Bnx4WriterOptions {
    uint32_t formatWord = kBnx4FormatBasic;
    // The image never grows past this many blocks (4,096 fill 16 MiB);
    // 0 means no limit.
    size_t maxBlocks = 4096;
    // Decides which fixes lie before 2021 in local time.
    TDateTime localTimeBase = kUnixEpochDays;
};

class Bnx4ImageWriter {
  public:
    explicit Bnx4ImageWriter(const Bnx4WriterOptions& options = {});

    // Appends one record in the current format; a record that the decoder
    // would not reach in the current block starts the next one, as the logger
    // does. False, with nothing written, when the image is full.
    bool AddFix(const SynthFix& fix, Bnx4Fault fault = Bnx4Fault::None);
    // A separator; type 2 makes `value` the format word from the next record on.
    bool AddSeparator(uint8_t type, uint32_t value);
    // Leaves the rest of the current block erased; the next block's header
    // carries `headerFormat`, which is the format from then on.
    bool StartBlock(uint32_t headerFormat);
    bool StartBlock() { return StartBlock(format_); }
    // A whole block left erased, header included.
    bool AddErasedBlock();
    // Raw bytes into the current block; what does not fit it is left out.
    // The decoder sees them as records of the current length, so the
    // writer's count is only right for bytes that hold no plausible fix.
    void AddBytes(const std::vector<uint8_t>& bytes);

    uint32_t Format() const { return format_; }
    size_t RecordLength() const;
    size_t BlocksUsed() const { return blocks_; }
    // Bytes left for records in the current block.
    size_t BlockSpaceLeft() const;
    // Whether one more record of the current format fits the image.
    bool CanAddFix() const;

    // Fixes a decoder must store (the store limit included), and the first.
    int ExpectedFixes() const;
    const SynthFix& FirstExpectedFix() const { return firstGood_; }
    // The log check value of the expected fixes.
    Float80 ExpectedCheckValue() const;

    // The image of at least `minBlocks` blocks, the unused flash erased, with
    // the check value at offset 256 unless `writeCheckValue` is false.
    std::vector<uint8_t> Finish(size_t minBlocks = 0, bool writeCheckValue = true) const;

  private:
    bool OpenBlock(uint32_t headerFormat);
    // Whether `bytes` at the write position would be reached by the decoder.
    bool Reachable(size_t bytes) const;
    void WriteRecord(const SynthFix& fix, Bnx4Fault fault);

    Bnx4WriterOptions options_;
    uint32_t format_;
    std::vector<uint8_t> image_;
    size_t blocks_ = 0;
    size_t pos_ = 0;  // write position in image_
    int skipCounter_ = 0;
    int64_t good_ = 0;
    SynthFix firstGood_;
    uint32_t noise_ = 0x9E3779B9u;
};

// An image of the whole drive in one format, with the check value; fixes that
// do not fit 16 MiB are left out.
std::vector<uint8_t> EncodeBnx4Image(const std::vector<SynthFix>& fixes,
                                     uint32_t formatWord = kBnx4FormatBasic, size_t minBlocks = 0);

}  // namespace qv::synth
