#include "simlogger/answer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "core/text_utils.h"

namespace qv::sim {

namespace {

// MTK acknowledgement flags.
constexpr int kInvalid = 0;
constexpr int kUnsupported = 1;
constexpr int kDone = 3;

// Larger than any piece the program asks for, small enough to stay cheap.
constexpr size_t kMaxRawBlock = 65536;

std::optional<uint64_t> ParseHex(std::string_view text) {
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!digit)
            return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(HexDigitValue(c));
    }
    return value;
}

std::optional<uint64_t> ParseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int> ParseSmallInt(std::string_view text, int lo, int hi) {
    const std::optional<uint64_t> value = ParseDecimal(text);
    if (!value || *value < static_cast<uint64_t>(lo) || *value > static_cast<uint64_t>(hi))
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<double> ParseSpeed(std::string_view text) {
    if (text.empty() || text.size() > 16)
        return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !(value >= 0 && value <= 999))
        return std::nullopt;
    return value;
}

std::string Format(const char* pattern, uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, static_cast<unsigned long long>(value));
    return text;
}

Reply Sentence(std::string body) {
    Reply reply;
    reply.bytes = std::move(body);
    return reply;
}

std::string MtkAck(std::string_view command, int flag) {
    return "PMTK001," + std::string(command) + "," + std::to_string(flag);
}

void AppendHex(std::string& out, const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
}

// Whether the read's last data line is left to answer for itself. The
// program's queue moves on either at a short last line or at the
// acknowledgement, never both, and on the current model at the next command.
bool AcknowledgesRead(LoggerModel model, size_t lastLine) {
    switch (model) {
        case LoggerModel::Qv4:
            return lastLine == 0;
        case LoggerModel::Qv3:
            return lastLine == 0 || lastLine == kMaxLineData;
        case LoggerModel::Generic:
            return true;
    }
    return true;
}

void AnswerRead(LoggerState& state, const std::vector<std::string>& parts, Answer& answer) {
    const std::optional<uint64_t> address = parts.size() >= 4 ? ParseHex(parts[2]) : std::nullopt;
    const std::optional<uint64_t> size = parts.size() >= 4 ? ParseHex(parts[3]) : std::nullopt;
    if (!address || !size) {
        answer.replies.push_back(Sentence(MtkAck("182,7", kInvalid)));
        return;
    }
    // Never more than the whole flash, and no address past 32 bits.
    const uint64_t room = (uint64_t{1} << 32) - *address;
    const size_t total = static_cast<size_t>(std::min<uint64_t>({*size, state.flash.size(), room}));
    answer.pieceRead = total <= kMaxLineData;
    size_t lastLine = 0;
    for (size_t offset = 0; offset < total; offset += kMaxLineData) {
        const size_t n = std::min(kMaxLineData, total - offset);
        Reply line;
        line.flash = true;
        line.address = *address + offset;
        line.dataBytes = n;
        line.bytes.reserve(20 + 2 * n);
        line.bytes = "PMTK182,8," + Format("%08llX", line.address) + ",";
        AppendHex(line.bytes, state.ReadFlash(line.address, n));
        answer.replies.push_back(std::move(line));
        lastLine = n;
    }
    if (AcknowledgesRead(state.model, lastLine))
        answer.replies.push_back(Sentence(MtkAck("182,7", kDone)));
}

void AnswerQuery(LoggerState& state, std::string_view field, Answer& answer) {
    const LoggerSettings& s = state.settings;
    std::string value;
    if (field == "8")
        value = Format("%08llX", state.NextFreeAddress());
    else if (field == "10")
        value = Format("%llX", state.RecordCount());
    else if (field == "2")
        value = Format("%08llX", s.logFormat);
    else if (field == "3")
        value = std::to_string(s.logTimeInterval);
    else if (field == "4")
        value = std::to_string(s.logDistance);
    else if (field == "5")
        value = std::to_string(s.logSpeed);
    else if (field == "6")
        value = std::to_string(s.recordingMethod);
    if (value.empty()) {
        answer.replies.push_back(Sentence(MtkAck("182,2", kUnsupported)));
        return;
    }
    answer.replies.push_back(Sentence("PMTK182,3," + std::string(field) + "," + value));
    answer.replies.push_back(Sentence(MtkAck("182,2", kDone)));
}

int SetParameter(LoggerSettings& s, const std::vector<std::string>& parts) {
    if (parts.size() != 4)
        return kInvalid;
    const std::string& field = parts[2];
    const std::string& text = parts[3];
    if (field == "2") {
        const std::optional<uint64_t> format = ParseHex(text);
        if (!format)
            return kInvalid;
        s.logFormat = static_cast<uint32_t>(*format);
        return kDone;
    }
    int* target = field == "3"   ? &s.logTimeInterval
                  : field == "4" ? &s.logDistance
                  : field == "5" ? &s.logSpeed
                  : field == "6" ? &s.recordingMethod
                                 : nullptr;
    if (target == nullptr)
        return kUnsupported;
    const std::optional<int> value =
        field == "6" ? ParseSmallInt(text, 1, 2) : ParseSmallInt(text, 0, 99999);
    if (!value)
        return kInvalid;
    *target = *value;
    return kDone;
}

void AnswerLogger(LoggerState& state, const std::vector<std::string>& parts, int eraseMs,
                  Answer& answer) {
    const std::string sub = parts.size() >= 2 ? parts[1] : "";
    const std::string command = "182," + sub;
    if (sub == "2" && parts.size() == 3) {
        AnswerQuery(state, parts[2], answer);
    } else if (sub == "1") {
        answer.replies.push_back(Sentence(MtkAck(command, SetParameter(state.settings, parts))));
    } else if (sub == "6" && parts.size() == 3 && parts[2] == "1") {
        state.Erase();
        answer.delayMs = std::max(0, eraseMs);
        answer.replies.push_back(Sentence(MtkAck(command, kDone)));
    } else if (sub == "7") {
        AnswerRead(state, parts, answer);
    } else {
        answer.replies.push_back(Sentence(MtkAck(sub.empty() ? "182" : command, kUnsupported)));
    }
}

// A setting of one small number: PMTK301, 313, 330.
void SetNumber(int& target, const std::vector<std::string>& parts, int hi, Answer& answer) {
    const std::optional<int> value =
        parts.size() == 2 ? ParseSmallInt(parts[1], 0, hi) : std::nullopt;
    if (value)
        target = *value;
    answer.replies.push_back(Sentence(MtkAck(parts[0].substr(4), value ? kDone : kInvalid)));
}

void AnswerMtk(LoggerState& state, std::string_view body, const std::vector<std::string>& parts,
               int eraseMs, Answer& answer) {
    LoggerSettings& s = state.settings;
    const std::string& key = parts[0];
    if (key == "PMTK605") {
        answer.replies.push_back(Sentence("PMTK705," + state.release));
    } else if (key == "PMTK182") {
        AnswerLogger(state, parts, eraseMs, answer);
    } else if (key == "PMTK300") {
        const std::optional<int> ms =
            parts.size() >= 2 ? ParseSmallInt(parts[1], 1, 10000) : std::nullopt;
        if (ms)
            s.fixIntervalMs = *ms;
        answer.replies.push_back(Sentence(MtkAck("300", ms ? kDone : kInvalid)));
    } else if (key == "PMTK400") {
        answer.replies.push_back(
            Sentence("PMTK500," + std::to_string(s.fixIntervalMs) + ",0,0,0,0"));
    } else if (key == "PMTK301") {
        SetNumber(s.dgpsMode, parts, 2, answer);
    } else if (key == "PMTK313") {
        SetNumber(s.sbas, parts, 1, answer);
    } else if (key == "PMTK330") {
        SetNumber(s.datum, parts, 999, answer);
    } else if (key == "PMTK314") {
        const bool ok = parts.size() == 20;
        if (ok)
            s.nmeaOutput = std::string(body.substr(8));
        answer.replies.push_back(Sentence(MtkAck("314", ok ? kDone : kInvalid)));
    } else if (key == "PMTK401") {
        answer.replies.push_back(Sentence("PMTK501," + std::to_string(s.dgpsMode)));
    } else if (key == "PMTK413") {
        answer.replies.push_back(Sentence("PMTK513," + std::to_string(s.sbas)));
    } else if (key == "PMTK430") {
        answer.replies.push_back(Sentence("PMTK530," + std::to_string(s.datum)));
    } else if (key == "PMTK414") {
        answer.replies.push_back(Sentence("PMTK514," + s.nmeaOutput));
    } else if (key == "PMTK490") {
        answer.replies.push_back(Sentence("PMTK590," + s.baudConfiguration));
    } else if (key == "PMTK491") {
        answer.replies.push_back(Sentence("PMTK591,0"));
    } else if (key == "PMTK492") {
        answer.replies.push_back(Sentence("PMTK592," + s.deviceIdentity));
    } else {
        answer.replies.push_back(Sentence(MtkAck(key.substr(4), kUnsupported)));
    }
}

void AnswerRawRead(LoggerState& state, const std::vector<std::string>& parts, Answer& answer) {
    uint64_t address = 0;
    uint64_t length = 4096;
    if (parts.size() >= 4) {
        const std::optional<uint64_t> a = ParseDecimal(parts[2]);
        const std::optional<uint64_t> n = ParseDecimal(parts[3]);
        if (!a || !n)
            return;
        address = *a;
        length = std::min<uint64_t>(*n, kMaxRawBlock);
    }
    Reply block;
    block.raw = true;
    block.flash = true;
    block.address = address;
    block.dataBytes = static_cast<size_t>(length);
    block.bytes = "$" + Format("%08llX", address) + ",";
    const std::vector<uint8_t> data = state.ReadFlash(address, block.dataBytes);
    block.bytes.append(data.begin(), data.end());
    block.bytes += "\r\n";
    answer.pieceRead = block.dataBytes <= kMaxLineData;
    answer.replies.push_back(std::move(block));
}

void AnswerTsi(LoggerState& state, const std::vector<std::string>& parts, Answer& answer) {
    LoggerSettings& s = state.settings;
    const std::string& key = parts[0];
    const size_t n = parts.size();
    if (key == "PTSI777" && n == 2 && parts[1] == "1") {
        answer.replies.push_back(Sentence("PTSI777,1," + FormatTriggerSpeed(s.triggerSpeedKmh)));
    } else if (key == "PTSI777" && n == 3 && parts[1] == "2") {
        if (const std::optional<double> v = ParseSpeed(parts[2]))
            s.triggerSpeedKmh = *v;
        answer.replies.push_back(Sentence("PTSI777,2," + FormatTriggerSpeed(s.triggerSpeedKmh)));
    } else if (key == "PTSI990" && n == 3 && parts[1] == "2" && parts[2] == "0") {
        answer.replies.push_back(Sentence("PTSI990,2,0," + s.secondVersion));
    } else if (key == "PTSI990" && n == 4 && parts[1] == "2" && parts[2] == "1" &&
               !parts[3].empty()) {
        s.secondVersion = parts[3];
        answer.replies.push_back(Sentence("PTSI990,2,1," + s.secondVersion));
    } else if (key == "PTSI999" && n == 2 && parts[1] == "9") {
        answer.replies.push_back(Sentence("PTSI999,9,0"));
    } else if (key == "PTSI870") {
        // Only the older model has the binary read; the others stay silent,
        // since any text would be taken for the start of a block.
        if (state.model == LoggerModel::Qv3 && n >= 2 && parts[1] == "7")
            AnswerRawRead(state, parts, answer);
    } else {
        answer.replies.push_back(Sentence("PTSI009," + key.substr(4) + ",0"));
    }
}

}  // namespace

std::string FormatTriggerSpeed(double kmh) {
    char text[32];
    std::snprintf(text, sizeof text, "%05.2f", kmh);
    return text;
}

Answer AnswerCommand(LoggerState& state, std::string_view body, int eraseMs) {
    Answer answer;
    std::vector<std::string> parts;
    SplitAtChar(parts, body, ',');
    const std::string& key = parts[0];
    const bool numbered = key.size() == 7 && std::all_of(key.begin() + 4, key.end(), [](char c) {
                              return c >= '0' && c <= '9';
                          });
    if (numbered && key.starts_with("PMTK"))
        AnswerMtk(state, body, parts, eraseMs, answer);
    else if (numbered && key.starts_with("PTSI"))
        AnswerTsi(state, parts, answer);
    return answer;
}

}  // namespace qv::sim
