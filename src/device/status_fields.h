#pragma once
// The logger's answers to the status queries, kept as the texts it sent.

#include <string>
#include <string_view>

namespace qv {

// Where the key of a reply starts, just after "$PMTK" or "$PTSI".
inline constexpr size_t kKeyOffset = 5;

struct StatusFields {
    std::string fixInterval;        // PMTK500: ms between fixes
    std::string logNextAddress;     // PMTK182,3,8: hexadecimal, memory used
    std::string logRecordCount;     // PMTK182,3,10: hexadecimal
    std::string logFormat;          // PMTK182,3,2: hexadecimal bit mask
    std::string logTimeInterval;    // PMTK182,3,3: tenths of a second
    std::string logDistance;        // PMTK182,3,4
    std::string logSpeed;           // PMTK182,3,5
    std::string logMethod;          // PMTK182,3,6: "2" stops when full
    std::string dgpsMode;           // PMTK501
    std::string sbas;               // PMTK513
    std::string deviceIdentity;     // PMTK592
    std::string datum;              // PMTK530
    std::string reply591;           // PMTK591
    std::string baudConfiguration;  // PMTK590
    std::string nmeaOutput;         // PMTK514
    std::string triggerSpeed;       // PTSI777
    std::string secondVersion;      // PTSI990,2

    // Everything but the second version.
    void ClearKeepingVersion() {
        const std::string version = secondVersion;
        *this = StatusFields{};
        secondVersion = version;
    }
};

// Stores the field a checksum-correct "$PMTK" line carries. `line` is the
// whole line from its "$", without CR. False when the line carries none.
bool StoreMtkStatus(StatusFields& status, std::string_view line);
// The same for "$PTSI" lines.
bool StorePtsiStatus(StatusFields& status, std::string_view line);

// The release text of a "$PMTK705," line: from character 9 up to the "*".
std::string ReleaseTextOf(std::string_view line);

}  // namespace qv
