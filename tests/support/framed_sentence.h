#pragma once
// A sentence framed as the logger and the program frame them, computed here
// rather than by the code under test.

#include <cstdio>
#include <string>

namespace qv::test {

// "$", the body, "*", the XOR of the body's bytes in two hex digits, CR LF.
inline std::string Framed(const std::string& body) {
    unsigned sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return "$" + body + "*" + digits + "\r\n";
}

}  // namespace qv::test
