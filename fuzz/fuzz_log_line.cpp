// One log data line ("$PMTK182,8," hex address "," hex bytes) of arbitrary
// text, handled while a read waits for it. The first byte picks the logger
// model, whether the checksum was good and which read was asked. The image
// is copied into a buffer of exactly its size, so any write past it is
// caught by AddressSanitizer. A line changes no byte of the image outside
// the range it addresses, and marks received only pieces it covers whole.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "device/link_protocol.h"

namespace {

using namespace qv;

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

struct QuietIo : LinkIo, EventSink {
    bool Write(std::string_view) override { return true; }
    int64_t NowMs() override { return 0; }
    EventSink& Sink() override { return *this; }
    void PostEvent(LinkEvent, int) override {}
    void PostText(LinkTextList, std::string) override {}
};

constexpr std::string_view kReads[] = {"PMTK182,7,00000000,400", "PMTK182,7,00000800,800",
                                       "PMTK182,7,FFFFF0,10", "PMTK605"};
constexpr size_t kImageSize = 8 * 1024;
constexpr uint8_t kFill = 0x5A;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t setup = data[0];
    const std::string line =
        "$PMTK182,8," + std::string(reinterpret_cast<const char*>(data) + 1, size - 1);

    LinkState s;
    QuietIo io;
    std::vector<uint8_t> image(kImageSize, kFill);
    s.image = image;
    s.model = static_cast<LoggerModel>(setup & 3);
    s.download.kind = static_cast<DownloadKind>((setup >> 2) % 5);
    for (size_t i = 0; i < 2 * kImageSize / 1024; ++i)
        s.download.pending[i] = 1;
    s.currentCommand = kReads[(setup >> 5) & 3];
    s.currentAnswered = false;
    HandleLogDataLine(s, io, line, (setup & 0x80) == 0);

    const uint32_t address = line.size() >= 19 ? UpperHexValue(line.substr(11, 8)) : 0;
    const size_t n = line.size() >= 23 ? (line.size() - 23) / 2 : 0;
    static const std::vector<uint8_t> untouched(kImageSize, kFill);
    const size_t from = std::min<uint64_t>(address, kImageSize);
    const size_t to = std::min<uint64_t>(uint64_t{address} + n, kImageSize);
    Check(std::memcmp(image.data(), untouched.data(), from) == 0);
    Check(std::memcmp(image.data() + to, untouched.data(), kImageSize - to) == 0);
    const size_t entry = s.download.EntrySize();
    for (size_t i = 0; i < 2 * kImageSize / 1024; ++i)
        Check(s.download.pending[i] == 1 ||
              (i * entry >= address && (i + 1) * entry <= address + n));
    return 0;
}
