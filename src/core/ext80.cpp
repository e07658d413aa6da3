#include "core/ext80.h"

#include <cmath>

namespace qv {

void EncodeExt80Portable(Float80 value, uint8_t out[10]) {
    uint64_t mantissa = 0;
    uint16_t signExp = std::signbit(value) ? 0x8000 : 0;
    if (std::isnan(value)) {
        signExp |= 0x7FFF;
        mantissa = 0xC000000000000000ULL;
    } else if (std::isinf(value)) {
        signExp |= 0x7FFF;
        mantissa = 0x8000000000000000ULL;
    } else if (value != 0) {
        int exp2 = 0;
        Float80 frac = std::frexp(std::fabs(value), &exp2);  // frac in [0.5, 1)
        int biased = exp2 - 1 + 16383;
        if (biased <= 0) {
            // Subnormal in the x87 format: shift the mantissa right.
            frac = std::ldexp(frac, biased - 1);
            biased = 0;
        }
        mantissa = static_cast<uint64_t>(std::ldexp(frac, 64));
        signExp |= static_cast<uint16_t>(biased);
    }
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    out[8] = static_cast<uint8_t>(signExp);
    out[9] = static_cast<uint8_t>(signExp >> 8);
}

Float80 DecodeExt80Portable(const uint8_t in[10]) {
    uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa |= static_cast<uint64_t>(in[i]) << (8 * i);
    const unsigned signExp = in[8] | (in[9] << 8);
    const bool negative = (signExp & 0x8000) != 0;
    const int biased = static_cast<int>(signExp & 0x7FFF);
    Float80 value;
    if (biased == 0x7FFF) {
        value = (mantissa << 1) == 0 ? std::numeric_limits<Float80>::infinity()
                                     : std::numeric_limits<Float80>::quiet_NaN();
    } else {
        // A zero biased exponent denotes subnormals, scaled as exponent 1.
        const int exp2 = (biased == 0 ? 1 : biased) - 16383 - 63;
        value = std::ldexp(static_cast<Float80>(mantissa), exp2);
    }
    return negative ? -value : value;
}

}  // namespace qv
