#include "device/status_fields.h"

#include <array>

namespace qv {
namespace {

// From `from` up to the first `stop` after it; a value whose terminator is
// its first character, or that has none, is left uncut.
std::string ValueOf(std::string_view line, size_t from, char stop) {
    if (from >= line.size())
        return {};
    std::string_view rest = line.substr(from);
    const size_t end = rest.find(stop);
    if (end != rest.npos && end > 0)
        rest = rest.substr(0, end);
    return std::string(rest);
}

struct FieldRule {
    std::string_view key;
    size_t from;
    char stop;
    std::string StatusFields::*field;
};

// The longer keys come first, so that "182,3,10" is not taken for "182,3,1".
constexpr std::array<FieldRule, 15> kMtkRules = {{
    {"182,3,10", 14, '*', &StatusFields::logRecordCount},
    {"182,3,8", 13, '*', &StatusFields::logNextAddress},
    {"182,3,2", 13, '*', &StatusFields::logFormat},
    {"182,3,3", 13, '*', &StatusFields::logTimeInterval},
    {"182,3,4", 13, '*', &StatusFields::logDistance},
    {"182,3,5", 13, '*', &StatusFields::logSpeed},
    {"182,3,6", 13, '*', &StatusFields::logMethod},
    {"500", 9, ',', &StatusFields::fixInterval},
    {"501", 9, '*', &StatusFields::dgpsMode},
    {"513", 9, '*', &StatusFields::sbas},
    {"592", 9, '*', &StatusFields::deviceIdentity},
    {"530", 9, '*', &StatusFields::datum},
    {"591", 9, '*', &StatusFields::reply591},
    {"590", 9, '*', &StatusFields::baudConfiguration},
    {"514", 9, '*', &StatusFields::nmeaOutput},
}};

constexpr std::array<FieldRule, 2> kPtsiRules = {{
    {"777,", 11, '*', &StatusFields::triggerSpeed},
    {"990,2,", 13, '*', &StatusFields::secondVersion},
}};

template <size_t N>
bool Store(StatusFields& status, std::string_view line, const std::array<FieldRule, N>& rules) {
    if (line.size() < kKeyOffset)
        return false;
    const std::string_view key = line.substr(kKeyOffset);
    for (const FieldRule& rule : rules) {
        if (key.rfind(rule.key, 0) == 0) {
            status.*rule.field = ValueOf(line, rule.from, rule.stop);
            return true;
        }
    }
    return false;
}

}  // namespace

bool StoreMtkStatus(StatusFields& status, std::string_view line) {
    return Store(status, line, kMtkRules);
}

bool StorePtsiStatus(StatusFields& status, std::string_view line) {
    return Store(status, line, kPtsiRules);
}

std::string ReleaseTextOf(std::string_view line) {
    return ValueOf(line, 9, '*');
}

}  // namespace qv
