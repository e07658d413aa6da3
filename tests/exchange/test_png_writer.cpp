#include "exchange/png_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "support/temp_dir.h"

namespace qv {
namespace {

struct Decoded {
    bool ok = false;
    png_uint_32 width = 0, height = 0;
    int colourType = -1;
    std::vector<uint8_t> pixels;  // rows packed
};

Decoded ReadPng(const std::filesystem::path& path) {
    Decoded d;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return d;
    d.width = image.width;
    d.height = image.height;
    d.colourType =
        (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    image.format = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    d.pixels.resize(PNG_IMAGE_SIZE(image));
    d.ok = png_image_finish_read(&image, nullptr, d.pixels.data(), 0, nullptr) != 0;
    return d;
}

// A gradient with a red cursor line at x = 7, in rows padded past the pixels.
std::vector<uint8_t> Picture(int w, int h, size_t channels, size_t stride) {
    std::vector<uint8_t> bytes(stride * static_cast<size_t>(h), 0xEE);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p =
                &bytes[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels];
            p[0] = x == 7 ? 255 : static_cast<uint8_t>(x * 3);
            p[1] = x == 7 ? 0 : static_cast<uint8_t>(y * 5);
            p[2] = x == 7 ? 0 : static_cast<uint8_t>((x + y) & 0xFF);
            if (channels == 4)
                p[3] = static_cast<uint8_t>(255 - y);
        }
    }
    return bytes;
}

void ExpectSamePixels(const Decoded& d, const std::vector<uint8_t>& src, int w, int h,
                      size_t channels, size_t stride) {
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.width, static_cast<png_uint_32>(w));
    ASSERT_EQ(d.height, static_cast<png_uint_32>(h));
    for (int y = 0; y < h; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(w) * channels;
        ASSERT_EQ(0, std::memcmp(&d.pixels[row], &src[static_cast<size_t>(y) * stride],
                                 static_cast<size_t>(w) * channels))
            << "row " << y;
    }
}

TEST(PngWriterTest, RgbaAndRgbComeBackPixelForPixel) {
    test::TempDir dir;
    const int w = 61, h = 37;
    const std::vector<uint8_t> rgba = Picture(w, h, 4, w * 4 + 12);
    ASSERT_TRUE(
        WritePngFile(dir / "a.png", {w, h, w * 4 + 12, PixelLayout::kRgba, rgba.data()}).ok);
    const Decoded a = ReadPng(dir / "a.png");
    EXPECT_EQ(a.colourType, PNG_COLOR_TYPE_RGBA);
    ExpectSamePixels(a, rgba, w, h, 4, w * 4 + 12);

    const std::vector<uint8_t> rgb = Picture(w, h, 3, w * 3 + 1);
    ASSERT_TRUE(WritePngFile(dir / "b.png", {w, h, w * 3 + 1, PixelLayout::kRgb, rgb.data()}).ok);
    const Decoded b = ReadPng(dir / "b.png");
    EXPECT_EQ(b.colourType, PNG_COLOR_TYPE_RGB);
    ExpectSamePixels(b, rgb, w, h, 3, w * 3 + 1);
    EXPECT_EQ(b.pixels[7 * 3], 255);  // the cursor line
}

TEST(PngWriterTest, OnePixelImage) {
    test::TempDir dir;
    const uint8_t white[3] = {255, 255, 255};
    ASSERT_TRUE(WritePngFile(dir / "p.png", {1, 1, 3, PixelLayout::kRgb, white}).ok);
    const Decoded d = ReadPng(dir / "p.png");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{255, 255, 255}));
}

TEST(PngWriterTest, InconsistentImagesAreRefused) {
    const uint8_t px[16] = {};
    EXPECT_FALSE(EncodePng({0, 1, 4, PixelLayout::kRgba, px}));
    EXPECT_FALSE(EncodePng({1, 0, 4, PixelLayout::kRgba, px}));
    EXPECT_FALSE(EncodePng({-3, 1, 4, PixelLayout::kRgba, px}));
    EXPECT_FALSE(EncodePng({2, 1, 7, PixelLayout::kRgba, px}));  // stride shorter than a row
    EXPECT_FALSE(EncodePng({1, 1, 4, PixelLayout::kRgba, nullptr}));
    EXPECT_TRUE(EncodePng({2, 2, 8, PixelLayout::kRgba, px}));
    test::TempDir dir;
    EXPECT_FALSE(WritePngFile(dir / "x.png", {0, 0, 0, PixelLayout::kRgb, px}).ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.png"));
}

// A write that fails half-way (the file-size limit holds for every user):
// the old picture stays and no temporary file is left beside it.
TEST(PngWriterTest, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    test::WriteBytes(dir / "graph.png", {'o', 'l', 'd'});
    std::vector<uint8_t> noise(200 * 200 * 3);
    uint32_t x = 12345;
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const WriteResult r =
        WritePngFile(dir / "graph.png", {200, 200, 600, PixelLayout::kRgb, noise.data()});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "File too large");
    EXPECT_EQ(test::ReadBytes(dir / "graph.png"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PngWriterTest, UnwritablePlaceKeepsTheOldFileAndGivesThePlatformMessage) {
    test::TempDir dir;
    const uint8_t px[3] = {1, 2, 3};
    test::WriteBytes(dir / "file", {'f'});
    EXPECT_EQ(WritePngFile(dir / "file" / "g.png", {1, 1, 3, PixelLayout::kRgb, px}).error,
              "Not a directory");
    EXPECT_EQ(WritePngFile(dir / "none" / "g.png", {1, 1, 3, PixelLayout::kRgb, px}).error,
              "No such file or directory");
}

// The scratch file beside the target cannot be created (no descriptor is
// left, which holds for root as it does for everyone): the old picture
// stays untouched and the platform's message comes back.
TEST(PngWriterTest, UncreatableScratchFileKeepsTheOldFile) {
    test::TempDir dir;
    test::WriteBytes(dir / "graph.png", {'o', 'l', 'd'});
    const uint8_t px[3] = {1, 2, 3};
    // The lowest free descriptor becomes the limit, so no file can be opened.
    const int probe = open("/dev/null", O_RDONLY);
    ASSERT_GE(probe, 0);
    close(probe);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit none = old;
    none.rlim_cur = static_cast<rlim_t>(probe);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const WriteResult r = WritePngFile(dir / "graph.png", {1, 1, 3, PixelLayout::kRgb, px});
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Too many open files");
    EXPECT_EQ(test::ReadBytes(dir / "graph.png"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace qv
