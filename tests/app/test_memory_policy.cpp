#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/memory_policy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__GLIBC__)
TEST(MemoryPolicy, LapSizedBlocksComeFromTheHeap) {
    qv::KeepFreedMemory();
    const size_t mappedBefore = mallinfo2().hblkhd;
    // A lap of 3,000 samples: well above the allocator's default mapping
    // threshold, so without the setting it would get pages of its own.
    auto block = std::make_unique<char[]>(3000 * 128 * 4);
    block[0] = 1;
    EXPECT_EQ(mallinfo2().hblkhd, mappedBefore);
}
#endif

}  // namespace
