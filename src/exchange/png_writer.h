#pragma once
// Pictures of the graphs as PNG files, written through a temporary name.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/atomic_file.h"

namespace qv {

enum class PixelLayout { kRgb, kRgba };

// Rows top to bottom, `stride` bytes apart, 8 bits per channel.
struct ImageView {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    PixelLayout layout = PixelLayout::kRgba;
    const uint8_t* pixels = nullptr;
};

// The PNG bytes (zlib level 5, every row filter open to the encoder);
// nothing for an empty or inconsistent image.
std::optional<std::string> EncodePng(const ImageView& image);

// Encodes and writes atomically: an existing file is replaced only by a
// complete picture. The error is the platform's message.
WriteResult WritePngFile(const std::filesystem::path& path, const ImageView& image);

}  // namespace qv
