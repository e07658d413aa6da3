#include <cstddef>
#include <cstdint>

// Filled in with the reader it exercises.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
