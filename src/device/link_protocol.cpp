#include "device/link_protocol.h"

#include <cstdio>
#include <cstdlib>

#include "core/sentence_checksum.h"
#include "core/text_utils.h"

namespace qv {
namespace {

constexpr const char* kBlockReadKey = "PTSI870,7,";
constexpr const char* kEraseCommand = "PMTK182,6,1";

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
    if (TakeAnswer(s))
        SendNext(s, io, drained);
}

void HandleMtkReply(LinkState& s, LinkIo& io, std::string_view line) {
    const std::string_view key = line.substr(kKeyOffset);
    const std::string shown(line);
    if (StartsWith(key, "182,8,")) {
        HandleLogDataLine(s, io, line, true);
        return;
    }
    const bool answers = ReplyAnswers(s.currentCommand, false, key);
    if (StartsWith(key, "001")) {
        std::string_view body = key.substr(0, key.find('*'));
        const std::vector<std::string_view> parts = SplitCommas(body);
        const bool logRead = parts.size() >= 3 && parts[1] == "182" && parts[2] == "7";
        if (!logRead)
            Show(io, shown);
        // A QV4 download is driven by its data lines and the end marker.
        if (logRead && s.download.kind == DownloadKind::Qv4Stream)
            return;
        if (answers)
            Advance(s, io);
        return;
    }
    if (StartsWith(key, "705")) {
        s.release = ReleaseTextOf(line);
        Show(io, shown);
        if (answers)
            Advance(s, io, LinkEvent::ReleaseReported);
        return;
    }
    const bool stored = StoreMtkStatus(s.status, line);
    Show(io, shown);
    // The 182,3 values are followed by an acknowledgement that moves the queue.
    if (stored && !StartsWith(key, "182,3,") && answers)
        Advance(s, io);
}

void HandlePtsiReply(LinkState& s, LinkIo& io, std::string_view line) {
    const std::string_view key = line.substr(kKeyOffset);
    StorePtsiStatus(s.status, line);
    Show(io, std::string(line));
    const bool drives = StartsWith(key, "009,") || StartsWith(key, "777,") ||
                        StartsWith(key, "999,") || StartsWith(key, "990,2,");
    if (drives && ReplyAnswers(s.currentCommand, true, key))
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

void ReceiveBinaryByte(LinkState& s, LinkIo& io, uint8_t byte) {
    BinaryReadState& b = s.binary;
    if (s.lineLength < s.line.size())
        s.line[s.lineLength++] = static_cast<char>(byte);
    switch (b.state) {
        case 0:
            if (byte == '$') {
                b.addressText.clear();
                b.state = 1;
            } else {
                b.state = 99;
            }
            break;
        case 1:
            if (byte == ',') {
                b.receivedAddress = static_cast<uint32_t>(HexToInt(b.addressText));
                b.count = 0;
                b.state = b.expectedLength == 0 ? 3 : 2;
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

bool ReplyAnswers(std::string_view command, bool ptsi, std::string_view key) {
    if (ptsi) {
        if (!StartsWith(command, "PTSI"))
            return false;
        if (StartsWith(key, "009,"))
            return true;
        const std::string_view number = key.substr(0, 3);
        return command.substr(4, 3) == number;
    }
    if (!StartsWith(command, "PMTK"))
        return false;
    const std::string_view commandNumber = command.substr(4, command.find(',') - 4);
    if (StartsWith(key, "001,")) {
        const std::string_view rest = key.substr(4);
        const size_t end = rest.find_first_of(",*");
        return rest.substr(0, end) == commandNumber;
    }
    if (StartsWith(key, "182,8,"))
        return StartsWith(command, "PMTK182,7,");
    // Queries 4xx are answered by 5xx, the release query 605 by 705.
    if (key.size() >= 3 && commandNumber.size() == 3) {
        if (key[0] == '5' && commandNumber[0] == '4')
            return key.substr(1, 2) == commandNumber.substr(1, 2);
        if (key[0] == '7' && commandNumber[0] == '6')
            return key.substr(1, 2) == commandNumber.substr(1, 2);
    }
    return false;
}

bool TakeAnswer(LinkState& s) {
    if (s.currentAnswered)
        return false;
    s.currentAnswered = true;
    return true;
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
    s.currentCommand = std::move(s.queue.front());
    s.queue.pop_front();
    s.retryCount = 0;
    s.currentAnswered = false;
    SendCommand(s, io, s.currentCommand);
}

void TransmitRound(LinkState& s, LinkIo& io) {
    if (s.failed)
        return;
    const int64_t now = io.NowMs();
    const int64_t quietSince = std::max(s.lastSendMs, s.lastReceiveMs);
    if (s.steps.Any() && s.awaitingReply && now - quietSince > kRetryIntervalMs) {
        s.awaitingReply = false;
        if (s.retryCount < kMaxResends) {
            ++s.retryCount;
            if (s.currentCommand.find(kEraseCommand) == std::string::npos) {
                s.resend = true;
                Show(io, "R)" + s.currentCommand);
            }
        }
    }
    if (s.resend) {
        s.resend = false;
        s.lineLength = 0;
        s.discardingLine = false;
        SendCommand(s, io, s.currentCommand);
    } else if (s.start) {
        if (!s.queue.empty()) {
            s.busy = true;
            s.currentCommand = std::move(s.queue.front());
            s.queue.pop_front();
            s.retryCount = 0;
            s.currentAnswered = false;
            SendCommand(s, io, s.currentCommand);
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
