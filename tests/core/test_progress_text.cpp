#include <gtest/gtest.h>

#include "core/progress_text.h"

namespace qv {
namespace {

TEST(ProgressText, SizesShareRateAndTimeLeft) {
    EXPECT_EQ(ByteSizeText(1023), "1023 B");
    EXPECT_EQ(ByteSizeText(48 * 1024 + 1023), "48 KiB");
    EXPECT_EQ(ByteSizeText(3 * 1024 * 1024 / 2), "1.5 MiB");

    // 1 MiB of 4 MiB in 2 s: 512 KiB/s, so the other 3 MiB take 6 s.
    EXPECT_EQ(ProgressText(1 << 20, 4 << 20, 2.0), "1.0 MiB of 4.0 MiB, 25%, 512 KiB/s, 0:06 left");
    // The share is rounded down, the time left up: 1 byte short is not done.
    EXPECT_EQ(ProgressText((4 << 20) - 1, 4 << 20, 8.0),
              "4.0 MiB of 4.0 MiB, 99%, 511 KiB/s, 0:01 left");
    // 100 KiB at 1 KiB/s leaves 7100 s, over an hour.
    EXPECT_EQ(ProgressText(1024 * 1000, 1024 * 8100, 1000.0),
              "1000 KiB of 7.9 MiB, 12%, 1 KiB/s, 1:58:20 left");
}

TEST(ProgressText, NoRateTooEarlyAndNoShareWithoutTotal) {
    EXPECT_EQ(ProgressText(2048, 4096, 0.2), "2 KiB of 4 KiB, 50%, -- /s, --:-- left");
    EXPECT_EQ(ProgressText(0, 4096, 5.0), "0 B of 4 KiB, 0%, -- /s, --:-- left");
    EXPECT_EQ(ProgressText(4096, 4096, 0.2), "4 KiB of 4 KiB, 100%, -- /s, 0:00 left");
    EXPECT_EQ(ProgressText(2048, 0, 1.0), "2 KiB, 2 KiB/s");
    // More than the total, or less than nothing, stays within the line.
    EXPECT_EQ(ProgressText(9000, 4096, 1.0), "4 KiB of 4 KiB, 100%, 4 KiB/s, 0:00 left");
    EXPECT_EQ(ProgressText(-5, 4096, 1.0), "0 B of 4 KiB, 0%, -- /s, --:-- left");
}

}  // namespace
}  // namespace qv
