// Arbitrary bytes from the serial port, fed to the reply assembler and
// handlers after one command was sent. The first two bytes pick the logger
// model, the download kind, the command waiting for its reply and what is
// still queued or pending. The image is copied into a buffer of exactly its
// size, so any write past it is caught by AddressSanitizer. Nothing is sent
// after the link failed, position sentences are whole lines, and the same
// bytes give the same outcome whether they arrive at once or in two reads.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/link_protocol.h"

namespace {

using namespace qv;

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

struct RecordingIo : LinkIo, EventSink {
    std::vector<std::string> written;
    std::vector<std::pair<LinkEvent, int>> events;
    std::vector<std::string> diagnostics;
    std::vector<std::string> sentences;
    bool failed = false;

    bool Write(std::string_view bytes) override {
        Check(!failed);
        written.emplace_back(bytes);
        return true;
    }
    int64_t NowMs() override { return 1000; }
    EventSink& Sink() override { return *this; }
    void PostEvent(LinkEvent event, int wParam) override {
        if (event == LinkEvent::LinkFailed) {
            Check(!failed && wParam >= 0 && wParam <= kPortLost);
            failed = true;
        }
        events.emplace_back(event, wParam);
    }
    void PostText(LinkTextList list, std::string text) override {
        if (list == LinkTextList::Sentence) {
            // A position sentence, or the note of a reply dropped as late.
            const bool late =
                text.rfind("Late reply: ", 0) == 0 || text.rfind("Late block: ", 0) == 0;
            Check(late || (text.size() >= 3 && text.compare(0, 2, "$G") == 0));
            Check(text.find_first_of("\r\n") == text.npos);
        }
        (list == LinkTextList::Sentence ? sentences : diagnostics).push_back(std::move(text));
    }
};

constexpr std::string_view kCommands[] = {
    "PMTK605",     "PMTK182,7,00000000,400",  "PMTK182,7,0,800", "PMTK182,7,FFFFF0,10",
    "PMTK182,2,8", "PTSI870,7,00002048,1024", "PTSI777,",        "PMTK414",
};
constexpr size_t kImageSize = 16 * 1024;

struct Outcome {
    RecordingIo io;
    std::vector<uint8_t> image;
    std::vector<uint8_t> pending;
    std::string state;
};

void Run(Outcome& out, uint8_t setup, uint8_t queued, std::string_view bytes, size_t cut) {
    LinkState s;
    out.image.assign(kImageSize, 0x5A);
    s.image = out.image;
    s.model = static_cast<LoggerModel>(setup & 3);
    s.download.kind = static_cast<DownloadKind>((setup >> 2) % 5);
    s.steps.StepA = (setup & 0x20) != 0;
    if (queued & 0x08) {
        for (size_t i = 0; i < 16; ++i)
            s.download.pending[i * 3] = 1;
    }
    if (queued & 0x10) {
        s.queue.emplace_back("PMTK182,7,00000400,400");
        s.queue.emplace_back("PMTK500");
    }
    s.currentCommand = kCommands[queued & 7];
    s.currentAnswered = false;
    s.busy = true;
    SendCommand(s, out.io, s.currentCommand);

    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    ReceiveBytes(s, out.io, data, cut);
    ReceiveBytes(s, out.io, data + cut, bytes.size() - cut);
    Check(s.lineLength <= s.line.size());

    out.pending = s.download.pending;
    const StatusFields& f = s.status;
    for (const std::string* text : std::initializer_list<const std::string*>{
             &f.fixInterval, &f.logNextAddress, &f.logRecordCount, &f.logFormat, &f.logTimeInterval,
             &f.logDistance, &f.logSpeed, &f.logMethod, &f.dgpsMode, &f.sbas, &f.deviceIdentity,
             &f.datum, &f.reply591, &f.baudConfiguration, &f.nmeaOutput, &f.triggerSpeed,
             &f.secondVersion, &s.release, &s.currentCommand})
        out.state += *text + '\n';
    for (const std::string& command : s.queue)
        out.state += command + '\n';
    out.state += std::string(s.line.data(), s.lineLength);
    out.state += static_cast<char>(s.failed) + static_cast<char>(s.binary.on) * 2 +
                 static_cast<char>(s.awaitingReply) * 4 + static_cast<char>(s.busy) * 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    Outcome whole;
    Run(whole, data[0], data[1], bytes, bytes.size());
    Outcome parts;
    Run(parts, data[0], data[1], bytes, bytes.empty() ? 0 : data[0] * 131u % (bytes.size() + 1));
    Check(whole.io.written == parts.io.written && whole.io.events == parts.io.events);
    Check(whole.io.diagnostics == parts.io.diagnostics && whole.io.sentences == parts.io.sentences);
    Check(whole.image == parts.image && whole.pending == parts.pending &&
          whole.state == parts.state);
    return 0;
}
