// The log data replies of a download, handled on the receive thread.

#include <cstdio>
#include <cstdlib>

#include "device/link_protocol.h"

namespace qv {
namespace {

constexpr uint32_t kEndMarkerAddress = 0xFFFFF0;
constexpr int kWalkReads = 4;

std::string Format(const char* pattern, unsigned a) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a);
    return text;
}

std::string Format(const char* pattern, unsigned a, unsigned b) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

void Show(LinkIo& io, std::string text) {
    io.Sink().PostText(LinkTextList::Diagnostic, std::move(text));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

// Marks received every pending entry that [address, address + size) covers whole.
void MarkReceived(DownloadState& d, uint64_t address, uint64_t size) {
    const uint64_t entry = d.EntrySize();
    for (uint64_t i = (address + entry - 1) / entry; (i + 1) * entry <= address + size; ++i) {
        if (i >= d.pending.size())
            break;
        d.pending[i] = 0;
    }
}

// The address and size of a "PMTK182,7,AAAAAAAA,SSS" read; false for any
// other command.
bool ReadOfCommand(std::string_view command, uint32_t& address, uint32_t& size) {
    if (command.rfind("PMTK182,7,", 0) != 0)
        return false;
    const std::string_view rest = command.substr(10);
    const size_t comma = rest.find(',');
    if (comma == rest.npos)
        return false;
    address = UpperHexValue(rest.substr(0, comma));
    size = UpperHexValue(rest.substr(comma + 1));
    return true;
}

bool QueueReReads(LinkState& s, LinkIo& io, uint32_t address, uint32_t size) {
    DownloadState& d = s.download;
    const size_t entry = address / 1024;
    if (entry < d.reReads.size() && ++d.reReads[entry] > kMaxPieceReReads) {
        FailLink(s, io, 2);
        return false;
    }
    s.queue.push_back(Format("PMTK182,7,%.8X,400", address));
    if (size > 0x400)
        s.queue.push_back(Format("PMTK182,7,%.8X,400", address + 1024));
    return true;
}

void EndMarkerWalk(LinkState& s, LinkIo& io) {
    DownloadState& d = s.download;
    int sent = 0;
    for (size_t i = 0; i < d.pending.size() && sent < kWalkReads; ++i) {
        if (d.pending[i] == 0)
            continue;
        if (++d.reReads[i] > kMaxPieceReReads) {
            FailLink(s, io, 2);
            return;
        }
        SendCommand(s, io, Format("PMTK182,7,%X,800", static_cast<unsigned>(i * 2048)));
        ++sent;
    }
    if (sent > 0) {
        StartCommand(s, io, kEndMarkerRead);
        return;
    }
    s.awaitingReply = false;
    s.busy = false;
    io.Sink().PostEvent(LinkEvent::QueueDrained, 0);
}

std::string GenericRead(int slowLevel, uint32_t address) {
    static constexpr const char* kSizes[] = {"800", "100", "200"};
    const int level = slowLevel >= 0 && slowLevel <= 2 ? slowLevel : 0;
    return Format("PMTK182,7,%.8X,", address) + kSizes[level];
}

}  // namespace

std::string PieceReadCommand(const DownloadState& d, size_t entry) {
    const unsigned address = static_cast<unsigned>(entry * d.EntrySize());
    if (d.kind == DownloadKind::Qv3Binary)
        return Format("PTSI870,7,%.8u,1024", address);
    if (d.kind == DownloadKind::Qv4Stream)
        return Format("PMTK182,7,%X,800", address);
    return Format("PMTK182,7,%.8X,400", address);
}

void HandleLogDataLine(LinkState& s, LinkIo& io, std::string_view line, bool checksumGood) {
    DownloadState& d = s.download;
    const uint32_t address = line.size() >= 19 ? UpperHexValue(line.substr(11, 8)) : 0;
    const size_t n = line.size() >= 23 ? (line.size() - 23) / 2 : 0;
    uint32_t askedAddress = 0;
    uint32_t askedSize = 0;
    const bool qv3 = s.model == LoggerModel::QV3;
    const bool qv4 = s.model == LoggerModel::QV4;
    // A corrupt line cannot say whose it is: it is taken for the read that
    // waits, whose piece is then read again.
    const bool waitingRead =
        !s.currentAnswered && ReadOfCommand(s.currentCommand, askedAddress, askedSize);

    if (!checksumGood) {
        if (qv4) {
            Show(io, "QV4 MTK checksum error.");
            return;
        }
        if (qv3) {
            // Its bytes are not stored: the re-read brings them.
            if (waitingRead && !QueueReReads(s, io, askedAddress, askedSize))
                return;
            if (waitingRead && n >= 2048)
                s.answerStarted = true;
            else if (waitingRead && TakeAnswer(s, io))
                SendNext(s, io);
            return;
        }
        Show(io, Format("MTK checksum error. %.8X", address));
        if (++d.checksumReReads > kMaxPieceReReads * 64) {
            FailLink(s, io, 2);
            return;
        }
        if (!s.queue.empty() && s.queue.back() == d.restoreCommand)
            s.queue.pop_back();
        s.queue.push_back(GenericRead(d.slowLevel, waitingRead ? askedAddress : address));
        if (!d.restoreCommand.empty())
            s.queue.push_back(d.restoreCommand);
        if (waitingRead)
            s.answerStarted = true;
        return;
    }

    io.Sink().PostEvent(LinkEvent::DataArrived, 0);
    if (address % 65536 == 0)
        Show(io, Format("MTK log start. %.8X", address));
    if (n < 2048)
        Show(io, Format("MTK log start. %.8X,%X", address, static_cast<unsigned>(n)));
    // A line holds the flash bytes at its own address, whichever read it
    // answers: its bytes are kept even when it comes late.
    const bool fits = uint64_t{address} + n <= s.image.size();
    if (fits) {
        const size_t first = 20;
        for (size_t i = 0; i < n; ++i) {
            const char hi = line[first + 2 * i];
            const char lo = line[first + 2 * i + 1];
            s.image[address + i] = static_cast<uint8_t>(HexValue(hi) << 4 | HexValue(lo));
        }
        if (qv3 || qv4)
            MarkReceived(d, address, n);
    }

    if (qv4) {
        if (n == 2048 && fits)
            ++d.receivedUnits;
        if (address == kEndMarkerAddress) {
            const Attribution a = AttributeReply(s, line);
            if (a.owner == ReplyOwner::Current && TakeAnswer(s, io))
                EndMarkerWalk(s, io);
            else if (a.owner != ReplyOwner::Current)
                NoteLateReply(io, line, a.owner);
        } else if (waitingRead && s.currentCommand != kEndMarkerRead) {
            // Any line of the stream answers the read of the used memory; the
            // end-marker read is written while the stream still runs, and the
            // logger answers it after the last line.
            if (TakeAnswer(s, io))
                SendNext(s, io);
        }
        return;
    }
    const Attribution a = AttributeReply(s, line);
    if (a.owner != ReplyOwner::Current) {
        NoteLateReply(io, line, a.owner);
        return;
    }
    if (a.part == AnswerPart::End && TakeAnswer(s, io))
        SendNext(s, io);
}

void HandleBinaryBlock(LinkState& s, LinkIo& io) {
    DownloadState& d = s.download;
    BinaryReadState& b = s.binary;
    io.Sink().PostEvent(LinkEvent::DataArrived, 0);
    s.lineLength = 0;
    if (uint64_t{b.receivedAddress} + b.count <= s.image.size())
        MarkReceived(d, b.receivedAddress, b.count);
    if (b.receivedAddress % 65536 == 0)
        Show(io, Format("MTK logbin start. %.8X", b.receivedAddress));
    const auto asks = [&b](const std::string& command) {
        const size_t at = command.find("PTSI870,7,");
        return at != std::string::npos && command.size() >= at + 18 &&
               std::strtoul(command.c_str() + at + 10, nullptr, 10) == b.receivedAddress;
    };
    if (s.staleAnswers > 0 && asks(s.staleCommand)) {
        --s.staleAnswers;
        NoteStaleAnswer(s);
        io.Sink().PostEvent(LinkEvent::ReplyArrived, 0);
    } else if (!s.currentAnswered && b.receivedAddress == b.expectedAddress) {
        b.on = false;
        s.staleAnswers = 0;
        if (TakeAnswer(s, io))
            SendNext(s, io);
        return;
    }
    // Another block than the one asked, kept where it belongs; the reader
    // waits on for the asked one (the resend brings it if it was lost).
    b.state = 0;
    io.Sink().PostText(LinkTextList::Sentence, Format("Late block: %.8X", b.receivedAddress));
}

}  // namespace qv
