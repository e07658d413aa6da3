#include "exchange/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <limits>
#include <vector>

namespace qv {
namespace {

constexpr int kCompressionLevel = 5;

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

void OnError(png_structp png, png_const_charp) {
    std::longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

size_t Channels(PixelLayout layout) {
    return layout == PixelLayout::kRgb ? 3 : 4;
}

// Only plain locals live in this frame, so the long jump of a libpng error
// skips no destructor.
bool Encode(const ImageView& image, const png_bytep* rows, std::string& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_compression_level(png, kCompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8,
                 image.layout == PixelLayout::kRgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::optional<std::string> EncodePng(const ImageView& image) {
    // PNG limits each dimension to 2^31 - 1; libpng's default to a million.
    constexpr int kMaxSide = 1000000;
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        image.width > kMaxSide || image.height > kMaxSide)
        return std::nullopt;
    const size_t rowBytes = static_cast<size_t>(image.width) * Channels(image.layout);
    if (image.stride < rowBytes)
        return std::nullopt;
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = const_cast<png_bytep>(image.pixels + y * image.stride);
    std::string out;
    if (!Encode(image, rows.data(), out))
        return std::nullopt;
    return out;
}

WriteResult WritePngFile(const std::filesystem::path& path, const ImageView& image) {
    const std::optional<std::string> bytes = EncodePng(image);
    if (!bytes)
        return {.ok = false, .error = "The picture is empty."};
    return WriteFileAtomically(path, *bytes);
}

}  // namespace qv
