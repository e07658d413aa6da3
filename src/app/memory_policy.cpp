#include "app/memory_policy.h"

#include <cstdlib>  // defines __GLIBC__ on the C library that has mallopt

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qv {

void KeepFreedMemory() {
#if defined(__GLIBC__)
    // Blocks below 64 MiB come from the heap and stay there when freed, up
    // to 128 MiB of free heap; the fix store and the raw log buffer are
    // larger and keep their own mappings.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

}  // namespace qv
