#include "decode/log_check_value.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {
// pi rounded to the 64-bit mantissa of the 80-bit format.
constexpr Float80 kPi80 = 3.141592653589793238462643383279502884L;
}  // namespace

Float80 ComputeLogCheckValue(int fixCount, double firstLat, double firstLon) {
    const Float80 root = std::sqrt(static_cast<Float80>(fixCount));
    return root + static_cast<Float80>(firstLat) * kPi80 + static_cast<Float80>(firstLon) / kPi80;
}

Float80 LogCheckValueOf(const LogStore& log) {
    if (log.LogItemNum <= 0)
        return 0;
    return ComputeLogCheckValue(log.LogItemNum, log.LogItems[0].Ido, log.LogItems[0].Kdo);
}

CheckValueBytes EncodeCheckValue(Float80 value) {
    CheckValueBytes bytes{};
    EncodeExt80(value, bytes.data());
    return bytes;
}

CheckValueBytes StoredCheckValue(std::span<const uint8_t> image) {
    CheckValueBytes bytes{};
    if (image.size() >= kLogCheckValueOffset + bytes.size()) {
        std::copy_n(image.begin() + kLogCheckValueOffset, bytes.size(), bytes.begin());
    }
    return bytes;
}

void WriteCheckValue(std::span<uint8_t> image, Float80 value) {
    const CheckValueBytes bytes = EncodeCheckValue(value);
    std::copy(bytes.begin(), bytes.end(), image.begin() + kLogCheckValueOffset);
}

bool CheckValueMatchesExactly(const CheckValueBytes& stored, Float80 computed) {
    return stored == EncodeCheckValue(computed);
}

bool CheckValueMatchesHigh8(const CheckValueBytes& stored, Float80 computed) {
    const CheckValueBytes bytes = EncodeCheckValue(computed);
    return std::equal(bytes.begin() + 2, bytes.end(), stored.begin() + 2);
}

bool CheckValueWithinTenth(const CheckValueBytes& stored, Float80 computed) {
    const Float80 value = DecodeExt80(stored.data());
    // A NaN in a damaged file fails the comparison, as it should.
    return std::fabs(value - computed) <= 0.1L;
}

}  // namespace qv
