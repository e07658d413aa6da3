#pragma once
// The figures of a progress line for a long read: how much of how much, the
// share done, the rate so far and the time left at that rate.

#include <cstdint>
#include <string>

namespace qv {

// "512 B", "48 KiB", "1.5 MiB".
std::string ByteSizeText(int64_t bytes);

// "1.5 MiB of 4.0 MiB, 37%, 512 KiB/s, 0:05 left". The rate and the time
// left read "--" until half a second has passed and something was read;
// nothing is left once all is done.
// `done` beyond `total` counts as `total`; an unknown total (0) shows
// neither the share nor the time left.
std::string ProgressText(int64_t done, int64_t total, double elapsedSeconds);

}  // namespace qv
