#pragma once
// The 10-byte x87 extended-precision encoding used by every 80-bit field of
// the program's files, and `Ext80`, a 10-byte field holding one such value.
//
// Arithmetic is done in `Float80` (long double). On x86-64 with GCC or Clang
// that type is the x87 format itself and conversion is a plain copy; on any
// other platform the portable conversion below is used, so only this header
// and ext80.cpp need to know.

#include <cstdint>
#include <cstring>
#include <limits>

namespace qv {

using Float80 = long double;

inline constexpr bool kNativeExt80 =
    std::numeric_limits<long double>::digits == 64 && std::numeric_limits<long double>::is_iec559;

// Portable conversions between a long double and the x87 encoding
// (little-endian: 8-byte mantissa with explicit integer bit, then 2 bytes of
// sign and 15-bit exponent). Exposed so that tests can check them against the
// native encoding.
void EncodeExt80Portable(Float80 value, uint8_t out[10]);
Float80 DecodeExt80Portable(const uint8_t in[10]);

// On x86-64 the x87 unit stores and loads the field in place. Going through
// a local long double instead splits the 10 bytes into two moves, and the
// 10-byte load that follows cannot be forwarded from them: a stall of a dozen
// cycles on every field read.
#if defined(__x86_64__) && defined(__GNUC__) && __LDBL_MANT_DIG__ == 64
static_assert(kNativeExt80);

inline void EncodeExt80(Float80 value, uint8_t out[10]) {
    asm("fstpt %0" : "=m"(*reinterpret_cast<uint8_t(*)[10]>(out)) : "t"(value) : "st");
}

inline Float80 DecodeExt80(const uint8_t in[10]) {
    Float80 value;
    asm("fldt %1" : "=t"(value) : "m"(*reinterpret_cast<const uint8_t(*)[10]>(in)));
    return value;
}
#else
inline void EncodeExt80(Float80 value, uint8_t out[10]) {
    if constexpr (kNativeExt80) {
        std::memcpy(out, &value, 10);
    } else {
        EncodeExt80Portable(value, out);
    }
}

inline Float80 DecodeExt80(const uint8_t in[10]) {
    if constexpr (kNativeExt80) {
        Float80 value = 0;  // the 6 padding bytes of long double stay zero
        std::memcpy(&value, in, 10);
        return value;
    } else {
        return DecodeExt80Portable(in);
    }
}
#endif

// A 10-byte, byte-aligned 80-bit field, so that records can mirror their file
// layout exactly. Reads and writes convert through Float80.
class Ext80 {
  public:
    Ext80() = default;
    Ext80(Float80 v) { EncodeExt80(v, bytes_); }              // NOLINT(google-explicit-constructor)
    operator Float80() const { return DecodeExt80(bytes_); }  // NOLINT

    Ext80& operator=(Float80 v) {
        EncodeExt80(v, bytes_);
        return *this;
    }
    Ext80& operator+=(Float80 v) { return *this = Float80(*this) + v; }
    Ext80& operator-=(Float80 v) { return *this = Float80(*this) - v; }

    const uint8_t* Bytes() const { return bytes_; }
    uint8_t* Bytes() { return bytes_; }

  private:
    uint8_t bytes_[10] = {};
};
static_assert(sizeof(Ext80) == 10 && alignof(Ext80) == 1);

}  // namespace qv
