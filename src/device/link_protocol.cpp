#include "device/link_protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/sentence_checksum.h"
#include "core/text_utils.h"
#include "device/device_requests.h"

namespace qv {
namespace {

constexpr const char* kBlockReadKey = "PTSI870,7,";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.rfind(prefix, 0) == 0;
}

uint32_t DecimalValue(std::string_view text) {
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > 0xFFFFFFFFu)
            return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(v);
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        if (comma == text.npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

void Show(LinkIo& io, std::string text) {
    io.Sink().PostText(LinkTextList::Diagnostic, std::move(text));
}

void Advance(LinkState& s, LinkIo& io, LinkEvent drained = LinkEvent::QueueDrained) {
    if (TakeAnswer(s, io))
        SendNext(s, io, drained);
}

bool IsHexDigit(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Replies that answer some command; anything else is only shown.
bool IsAnswerKind(bool ptsi, std::string_view key) {
    if (ptsi) {
        return StartsWith(key, "009,") || StartsWith(key, "777,") || StartsWith(key, "999,") ||
               StartsWith(key, "990,2,");
    }
    static constexpr std::string_view kKinds[] = {"001,", "705", "500", "182,3,", "501", "513",
                                                  "592",  "530", "591", "514",    "590"};
    for (std::string_view kind : kKinds) {
        if (StartsWith(key, kind))
            return true;
    }
    return false;
}

bool IsErase(std::string_view command) {
    return command.find(kEraseCommand) != std::string_view::npos;
}

void SendCurrent(LinkState& s, LinkIo& io) {
    if (s.sends++ == 0)
        s.firstSendMs = io.NowMs();
    SendCommand(s, io, s.currentCommand);
}

void HandleMtkReply(LinkState& s, LinkIo& io, std::string_view line) {
    const std::string_view key = line.substr(kKeyOffset);
    if (StartsWith(key, "182,8,")) {
        HandleLogDataLine(s, io, line, true);
        return;
    }
    if (StartsWith(key, "001")) {
        const std::vector<std::string_view> parts = SplitCommas(key.substr(0, key.find('*')));
        const bool logRead = parts.size() >= 3 && parts[1] == "182" && parts[2] == "7";
        // A QV4 download is driven by its data lines and the end marker.
        if (logRead && s.download.kind == DownloadKind::Qv4Stream)
            return;
        const Attribution a = AttributeReply(s, line);
        if (a.owner != ReplyOwner::Current) {
            NoteLateReply(io, line, a.owner);
            return;
        }
        if (!logRead)
            Show(io, std::string(line));
        if (a.part == AnswerPart::End)
            Advance(s, io);
        return;
    }
    if (!IsAnswerKind(false, key)) {
        Show(io, std::string(line));
        return;
    }
    const bool release = StartsWith(key, "705");
    if (release)
        s.heardRelease = ReleaseTextOf(line);
    const Attribution a = AttributeReply(s, line);
    if (a.owner != ReplyOwner::Current) {
        NoteLateReply(io, line, a.owner);
        return;
    }
    if (release)
        s.release = s.heardRelease;
    else
        StoreMtkStatus(s.status, line);
    Show(io, std::string(line));
    if (a.part == AnswerPart::End)
        Advance(s, io, release ? LinkEvent::ReleaseReported : LinkEvent::QueueDrained);
}

void HandlePtsiReply(LinkState& s, LinkIo& io, std::string_view line) {
    const std::string_view key = line.substr(kKeyOffset);
    if (!IsAnswerKind(true, key)) {
        Show(io, std::string(line));
        return;
    }
    const Attribution a = AttributeReply(s, line);
    if (a.owner != ReplyOwner::Current) {
        NoteLateReply(io, line, a.owner);
        return;
    }
    StorePtsiStatus(s.status, line);
    Show(io, std::string(line));
    if (a.part == AnswerPart::End)
        Advance(s, io);
}

void HandleLine(LinkState& s, LinkIo& io) {
    const std::string_view line(s.line.data(), s.lineLength);
    const bool mtk = StartsWith(line, "$PMTK");
    const bool ptsi = !mtk && StartsWith(line, "$PTSI");
    if (mtk || ptsi) {
        const ReplyCheck check = CheckReply(line);
        if (check == ReplyCheck::Good) {
            if (mtk)
                HandleMtkReply(s, io, line);
            else
                HandlePtsiReply(s, io, line);
            return;
        }
        if (mtk && check == ReplyCheck::BadChecksum && line.size() >= kKeyOffset + 6 &&
            line.substr(kKeyOffset, 6) == "182,8,") {
            HandleLogDataLine(s, io, line, false);
            return;
        }
        const bool noStar = check == ReplyCheck::NoStar;
        Show(io, std::string(mtk ? "MTK" : "TSI") + (noStar ? " * error." : " checksum error."));
        if (ptsi || !s.steps.StepA)
            FailLink(s, io, noStar ? 0 : 1);
        return;
    }
    static constexpr std::string_view kPositionPrefixes[] = {"$GP", "$GN", "$GA", "$GL", "$GM"};
    for (std::string_view prefix : kPositionPrefixes) {
        if (StartsWith(line, prefix)) {
            io.Sink().PostText(LinkTextList::Sentence, std::string(line));
            return;
        }
    }
}

void ReceiveTextByte(LinkState& s, LinkIo& io, char c);

// A sentence met while a block is awaited is a late reply to an earlier
// command: the line reader takes it, and the block reader waits on.
void ReceiveTextInBinary(LinkState& s, LinkIo& io, uint8_t byte) {
    BinaryReadState& b = s.binary;
    if (byte == '$') {
        if (s.lineLength > 0 && !s.discardingLine)
            Show(io, "<break>" + std::string(s.line.data(), s.lineLength));
        b.text = false;
        b.state = 1;
        b.addressText.clear();
        s.lineLength = 0;
        s.discardingLine = false;
        s.line[s.lineLength++] = '$';
        return;
    }
    ReceiveTextByte(s, io, static_cast<char>(byte));
    if (byte == '\r' && s.binary.on) {
        b.text = false;
        b.state = 0;
    }
}

void ReceiveBinaryByte(LinkState& s, LinkIo& io, uint8_t byte) {
    BinaryReadState& b = s.binary;
    if (b.text) {
        ReceiveTextInBinary(s, io, byte);
        return;
    }
    if (s.lineLength < s.line.size())
        s.line[s.lineLength++] = static_cast<char>(byte);
    switch (b.state) {
        case 0:
            if (byte == '$') {
                b.addressText.clear();
                b.state = 1;
                s.lineLength = 0;
                s.line[s.lineLength++] = '$';
            } else if (byte != '\r' && byte != '\n') {
                b.state = 99;
            }
            break;
        case 1:
            if (byte == ',') {
                b.receivedAddress = static_cast<uint32_t>(HexToInt(b.addressText));
                b.count = 0;
                b.state = b.expectedLength == 0 ? 3 : 2;
            } else if (!IsHexDigit(byte)) {
                // "$P...": a sentence, already in the line buffer.
                b.text = true;
            } else if (b.addressText.size() < 16) {
                b.addressText += static_cast<char>(byte);
            } else {
                b.state = 99;
            }
            break;
        case 2: {
            const uint64_t at = uint64_t{b.receivedAddress} + b.count;
            if (at < s.image.size())
                s.image[at] = byte;
            if (++b.count >= b.expectedLength)
                b.state = 3;
            break;
        }
        case 3:
            b.state = byte == '\r' ? 4 : 99;
            break;
        case 4:
            if (byte == '\n')
                HandleBinaryBlock(s, io);
            else
                b.state = 99;
            break;
        default:
            break;
    }
}

void ReceiveTextByte(LinkState& s, LinkIo& io, char c) {
    if (c == '\n')
        return;
    if (c == '\r') {
        if (!s.discardingLine && s.lineLength > 0)
            HandleLine(s, io);
        s.lineLength = 0;
        s.discardingLine = false;
        return;
    }
    if (c == '$') {
        if (s.lineLength > 0 && !s.discardingLine)
            Show(io, "<break>" + std::string(s.line.data(), s.lineLength));
        s.discardingLine = false;
        s.lineLength = 0;
        s.line[s.lineLength++] = c;
        return;
    }
    if (s.discardingLine)
        return;
    if (s.lineLength + 1 >= s.line.size()) {
        s.discardingLine = true;
        s.lineLength = 0;
        return;
    }
    s.line[s.lineLength++] = c;
}

}  // namespace

uint32_t UpperHexValue(std::string_view text) {
    uint32_t v = 0;
    for (char c : text) {
        uint32_t d = 0;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        v = (v << 4) | d;
    }
    return v;
}

ReplyCheck CheckReply(std::string_view line) {
    const size_t n = line.size();
    if (n < 4 || line[n - 3] != '*')
        return ReplyCheck::NoStar;
    const uint8_t sum = SentenceChecksum(line.substr(1, n - 4));
    char digits[3];
    std::snprintf(digits, sizeof digits, "%.2X", unsigned{sum});
    return line.substr(n - 2) == std::string_view(digits, 2) ? ReplyCheck::Good
                                                             : ReplyCheck::BadChecksum;
}

AnswerPart PartOfAnswer(std::string_view command, std::string_view line, bool started,
                        LoggerModel model) {
    if (line.size() <= kKeyOffset)
        return AnswerPart::None;
    const bool ptsi = StartsWith(line, "$PTSI");
    std::string_view key = line.substr(kKeyOffset);
    key = key.substr(0, key.find('*'));
    const std::vector<std::string_view> k = SplitCommas(key);
    const std::vector<std::string_view> c = SplitCommas(command);
    if (c[0].size() < 5)
        return AnswerPart::None;
    const std::string_view family = c[0].substr(0, 4);
    const std::string_view number = c[0].substr(4);
    if (ptsi) {
        if (family != "PTSI")
            return AnswerPart::None;
        if (k[0] == "009")
            return k.size() >= 2 && k[1] == number ? AnswerPart::End : AnswerPart::None;
        if (k[0] != number)
            return AnswerPart::None;
        // The reply repeats the command's selector fields; its last field
        // is the value.
        for (size_t i = 1; i < c.size() && i + 1 < k.size(); ++i) {
            if (k[i] != c[i])
                return AnswerPart::None;
        }
        return AnswerPart::End;
    }
    if (family != "PMTK")
        return AnswerPart::None;
    const bool query = number == "182" && c.size() >= 3 && c[1] == "2";
    const bool read = number == "182" && c.size() >= 4 && c[1] == "7";
    if (k[0] == "001") {
        if (k.size() < 3 || k[1] != number)
            return AnswerPart::None;
        if (number == "182" && (k.size() < 4 || c.size() < 2 || k[2] != c[1]))
            return AnswerPart::None;
        // "Done" ends a two-part answer only after its first part; a refusal
        // has no first part.
        const bool twoPart = query || (read && model != LoggerModel::QV4);
        if (twoPart && !started && k.back() == "3")
            return AnswerPart::None;
        return AnswerPart::End;
    }
    if (k.size() >= 3 && k[0] == "182" && k[1] == "3")
        return query && k[2] == c[2] ? AnswerPart::First : AnswerPart::None;
    if (k.size() >= 3 && k[0] == "182" && k[1] == "8") {
        if (!read || UpperHexValue(k[2]) != UpperHexValue(c[2]))
            return AnswerPart::None;
        const size_t n = line.size() >= 23 ? (line.size() - 23) / 2 : 0;
        if (model == LoggerModel::QV4 || (model == LoggerModel::QV3 && n < 2048))
            return AnswerPart::End;
        return AnswerPart::First;
    }
    // Queries 4nn are answered by 5nn, the release query 605 by 705.
    if (number.size() == 3 && k[0].size() == 3 && k[0].substr(1) == number.substr(1) &&
        ((number[0] == '4' && k[0][0] == '5') || (number[0] == '6' && k[0][0] == '7')))
        return AnswerPart::End;
    return AnswerPart::None;
}

void NoteStaleAnswer(LinkState& s) {
    if (s.timing.unprovenMs >= 0)
        s.timing.Sample(s.timing.unprovenMs);
    s.timing.unprovenMs = -1;
}

Attribution AttributeReply(LinkState& s, std::string_view line) {
    if (s.staleAnswers > 0) {
        const AnswerPart part = PartOfAnswer(s.staleCommand, line, s.staleStarted, s.model);
        if (part != AnswerPart::None)
            NoteStaleAnswer(s);
        if (part == AnswerPart::First)
            s.staleStarted = true;
        if (part == AnswerPart::End) {
            --s.staleAnswers;
            s.staleStarted = false;
        }
        if (part != AnswerPart::None)
            return {ReplyOwner::Stale, part};
    }
    if (!s.currentAnswered) {
        const AnswerPart part = PartOfAnswer(s.currentCommand, line, s.answerStarted, s.model);
        if (part != AnswerPart::None) {
            // The logger answers in order: what was still due to the
            // command before has come or is lost.
            s.staleAnswers = 0;
            s.staleStarted = false;
            if (part == AnswerPart::First)
                s.answerStarted = true;
            return {ReplyOwner::Current, part};
        }
    }
    return {};
}

void NoteLateReply(LinkIo& io, std::string_view line, ReplyOwner owner) {
    if (owner == ReplyOwner::Stale)
        io.Sink().PostEvent(LinkEvent::ReplyArrived, 0);
    constexpr size_t kShown = 60;
    std::string text = "Late reply: " + std::string(line.substr(0, kShown));
    if (line.size() > kShown)
        text += "...";
    io.Sink().PostText(LinkTextList::Sentence, std::move(text));
}

void ReplyTiming::Sample(int64_t ms) {
    ms = std::max<int64_t>(ms, 0);
    smoothedMs = smoothedMs < 0 || ms > smoothedMs ? ms : (3 * smoothedMs + ms) / 4;
    resendMs = static_cast<int>(
        std::clamp<int64_t>(2 * smoothedMs + 100, kRetryIntervalMs, kMaxRetryIntervalMs));
}

bool TakeAnswer(LinkState& s, LinkIo& io) {
    if (s.currentAnswered)
        return false;
    s.currentAnswered = true;
    const int64_t took = io.NowMs() - s.firstSendMs;
    s.timing.unprovenMs = -1;
    if (s.timesReply && s.sends == 1)
        s.timing.Sample(took);
    else if (s.timesReply && s.sends > 1)
        s.timing.unprovenMs = took;
    s.staleCommand = s.currentCommand;
    s.staleAnswers = std::max(0, s.sends - 1);
    s.staleStarted = false;
    io.Sink().PostEvent(LinkEvent::ReplyArrived, 0);
    return true;
}

void StartCommand(LinkState& s, LinkIo& io, std::string body) {
    s.currentCommand = std::move(body);
    s.retryCount = 0;
    s.sends = 0;
    s.currentAnswered = false;
    s.answerStarted = false;
    // The erase takes its time, and the end marker of a streamed read waits
    // for the stream: neither tells how fast the logger answers.
    s.timesReply = !IsErase(s.currentCommand) && s.currentCommand != kEndMarkerRead;
    SendCurrent(s, io);
}

void FailLink(LinkState& s, LinkIo& io, int wParam) {
    if (s.failed)
        return;
    s.failed = true;
    s.queue.clear();
    s.awaitingReply = false;
    s.resend = false;
    s.start = false;
    io.Sink().PostEvent(LinkEvent::LinkFailed, wParam);
}

bool SendCommand(LinkState& s, LinkIo& io, const std::string& body) {
    if (s.failed)
        return false;
    if (body.find(kBlockReadKey) != body.npos) {
        s.binary = BinaryReadState{};
        s.binary.on = true;
        const std::vector<std::string_view> parts = SplitCommas(body);
        if (parts.size() >= 4) {
            s.binary.expectedAddress = DecimalValue(parts[2]);
            s.binary.expectedLength = DecimalValue(parts[3]);
            // A block never exceeds the line buffer the reply is collected in.
            if (s.binary.expectedLength > kLineBufferSize - 16)
                s.binary.expectedLength = kLineBufferSize - 16;
        }
        s.lineLength = 0;
    } else {
        s.binary.on = false;
    }
    const std::string bytes = ChecksummedSentence(body) + "\r\n";
    const bool ok = io.Write(bytes);
    s.awaitingReply = true;
    s.lastSendMs = io.NowMs();
    return ok;
}

void SendNext(LinkState& s, LinkIo& io, LinkEvent drained) {
    s.awaitingReply = false;
    if (s.failed)
        return;
    DownloadState& d = s.download;
    const bool qv3 = d.kind == DownloadKind::Qv3Text || d.kind == DownloadKind::Qv3Binary;
    if (s.queue.empty() && qv3 && d.PendingCount() > 0) {
        // A download is complete only when every piece has come.
        if (++d.sweeps > kMaxPieceReReads) {
            FailLink(s, io, 2);
            return;
        }
        for (size_t i = 0; i < d.pending.size(); ++i) {
            if (d.pending[i] != 0)
                s.queue.push_back(PieceReadCommand(d, i));
        }
    }
    if (s.queue.empty()) {
        s.busy = false;
        s.currentAnswered = true;
        io.Sink().PostEvent(drained, 0);
        return;
    }
    std::string body = std::move(s.queue.front());
    s.queue.pop_front();
    StartCommand(s, io, std::move(body));
}

int64_t ResendDueMs(const LinkState& s) {
    if (s.failed || !s.steps.Any() || !s.awaitingReply)
        return -1;
    return std::max(s.lastSendMs, s.lastReceiveMs) + s.timing.resendMs + 1;
}

void TransmitRound(LinkState& s, LinkIo& io) {
    if (s.failed)
        return;
    const int64_t resendMs = ResendDueMs(s);
    if (resendMs >= 0 && io.NowMs() >= resendMs) {
        s.awaitingReply = false;
        if (s.retryCount < kMaxResends) {
            ++s.retryCount;
            if (!IsErase(s.currentCommand)) {
                s.resend = true;
                Show(io, "R)" + s.currentCommand);
            }
        }
    }
    if (s.resend) {
        s.resend = false;
        s.lineLength = 0;
        s.discardingLine = false;
        s.binary.text = false;
        SendCurrent(s, io);
    } else if (s.start) {
        if (!s.queue.empty()) {
            s.busy = true;
            std::string body = std::move(s.queue.front());
            s.queue.pop_front();
            StartCommand(s, io, std::move(body));
        }
        s.start = false;
    }
}

void ReceiveBytes(LinkState& s, LinkIo& io, const uint8_t* data, size_t size) {
    if (size > 0)
        s.lastReceiveMs = io.NowMs();
    for (size_t i = 0; i < size && !s.failed; ++i) {
        if (s.binary.on)
            ReceiveBinaryByte(s, io, data[i]);
        else
            ReceiveTextByte(s, io, static_cast<char>(data[i]));
    }
}

}  // namespace qv
