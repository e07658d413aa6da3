#pragma once
// The camera's own sensor samples from a `gpmd` data track: KLV records,
// each an eight-byte header (a four-character key, a type character, the
// size of one structure, a big-endian repeat count) and its payload padded
// to four bytes; type 0 nests further records. Every read is bounds-checked.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qv {

struct KlvRecord {
    std::array<char, 4> key{};
    char type = 0;  // 0: nested records
    uint8_t structSize = 0;
    uint16_t repeat = 0;
    std::span<const uint8_t> payload;  // structSize * repeat bytes, padding left out
    std::vector<KlvRecord> children;

    bool Is(const char (&k)[5]) const {
        return key[0] == k[0] && key[1] == k[1] && key[2] == k[2] && key[3] == k[3];
    }
};

struct KlvParse {
    std::vector<KlvRecord> records;  // what was read before any fault
    std::string error;               // empty: the whole buffer was read

    bool ok() const { return error.empty(); }
};

inline constexpr int kKlvMaxDepth = 8;

// Records whose payload runs past the end of their parent stop the read
// there, with the reason in `error`; the records before stay.
KlvParse ParseKlv(std::span<const uint8_t> bytes);

// The payload's elements as numbers, in order, for the numeric types
// (b B s S l L j J f d q Q); empty for any other type or a payload whose
// size does not fit the type.
std::vector<double> KlvNumbers(const KlvRecord& record);

struct GyroSamples {
    std::vector<std::array<double, 3>> samples;  // rad/s, in the record's axis order
    std::string error;                           // empty when everything was read
};

// Every `GYRO` sample of the buffer, divided by the `SCAL` of its stream
// (one divisor for all axes or one per axis).
GyroSamples ReadGpmdGyro(std::span<const uint8_t> bytes);

}  // namespace qv
