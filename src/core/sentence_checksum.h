#pragma once
// The XOR checksum of "$body*XX" sentences, shared by the logger protocol
// and the NMEA export.

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

inline uint8_t SentenceChecksum(std::string_view body) {
    uint8_t sum = 0;
    for (char c : body) sum ^= static_cast<uint8_t>(c);
    return sum;
}

// "$" + body + "*" + two upper-case hexadecimal digits, without line end.
inline std::string ChecksummedSentence(std::string_view body) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const uint8_t sum = SentenceChecksum(body);
    std::string line;
    line.reserve(body.size() + 4);
    line += '$';
    line += body;
    line += '*';
    line += kHex[sum >> 4];
    line += kHex[sum & 0x0F];
    return line;
}

}  // namespace qv
