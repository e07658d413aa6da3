// Video sync files (.vsy), which drivers pass around: a file either ties
// nothing or gives a path and a start time that, written back and read
// again, is the same to the millisecond.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_file.h"
#include "video/video_sync.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<qv::VsyContents> vsy = qv::ParseVsyLines(qv::SplitTextLines(text));
    if (!vsy)
        return 0;
    const std::optional<qv::TDateTime> start = qv::ParseVideoStart(vsy->startText);
    if (!start)
        return 0;
    if (!std::isfinite(*start))
        std::abort();
    const std::optional<qv::VsyContents> again =
        qv::ParseVsyLines(qv::SplitTextLines(qv::VsyFileText(vsy->videoPath, *start)));
    if (!again || again->videoPath != vsy->videoPath)
        std::abort();
    const std::optional<qv::TDateTime> reread = qv::ParseVideoStart(again->startText);
    // The written time is rounded to the millisecond; a day is 86.4e6 ms.
    if (!reread || std::fabs(*reread - *start) * 86400000.0 > 1.0)
        std::abort();
    return 0;
}
