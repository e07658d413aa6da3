#pragma once
// How the program's allocator treats freed memory.

namespace qv {

// Keeps freed memory in the process for the next allocation instead of
// handing it back to the system at once. Laps of a few thousand samples
// take about a megabyte each and are loaded and unloaded again and again;
// handing the pages back means faulting them in anew on every load, which
// on virtual machines costs more than the computation. Called once at the
// start of the program, before anything is allocated.
void KeepFreedMemory();

}  // namespace qv
