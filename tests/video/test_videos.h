#pragma once
// Short videos made by ffmpeg for the player tests: 320x240 at 25 frames a
// second for 3 s with a key frame every 25 frames, the frame number written
// into the picture as eight black or white stripes 40 pixels wide (stripe k
// is bit k), and a two-channel 440 Hz tone.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "video/player_events.h"

namespace qv::test {

inline constexpr int64_t kFrameUs = 40000;
inline constexpr int kFrames = 75;

inline bool MakeTestVideo(const std::filesystem::path& out, const std::string& videoCodec,
                          int width = 320, int height = 240, int fps = 25, int seconds = 3) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const int stripe = width / 8;
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i \"color=c=black:s=" + size +
        ":r=" + std::to_string(fps) + ":d=" + std::to_string(seconds) +
        ",format=yuv420p,geq=lum='255*mod(floor(N/pow(2\\,floor(X/" + std::to_string(stripe) +
        ")))\\,2)':cb=128:cr=128\" -f lavfi -i \"sine=f=440:r=44100:d=" + std::to_string(seconds) +
        "\" -ac 2 " + videoCodec + " -g " + std::to_string(fps) + " -c:a aac -shortest \"" +
        out.string() + "\"";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(out);
}

// Key frames about every second, not at scene changes; B-frames, so that
// frames come out of the decoder in another order than they go in.
inline const char* kH264 = "-c:v libx264 -preset ultrafast -crf 10 -sc_threshold 0 -bf 3";
inline const char* kMpeg4 = "-c:v mpeg4 -q:v 2 -sc_threshold 1000000000 -bf 2";

// A copy of `from` whose first track says its picture is to be shown turned
// clockwise by `quarters` quarter turns, as phones record: the track
// header's matrix is rewritten.
inline bool TurnedCopy(const std::filesystem::path& from, const std::filesystem::path& to,
                       int quarters) {
    std::ifstream in(from, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const size_t at = bytes.find("tkhd");
    if (at == std::string::npos || at + 4 + 52 + 36 > bytes.size())
        return false;
    // a b u / c d v / x y w, 16.16 fixed point (u v w 2.30).
    constexpr int32_t kOne = 0x10000;
    const int32_t turns[4][4] = {
        {kOne, 0, 0, kOne}, {0, kOne, -kOne, 0}, {-kOne, 0, 0, -kOne}, {0, -kOne, kOne, 0}};
    const int32_t* t = turns[quarters & 3];
    const int32_t matrix[9] = {t[0], t[1], 0, t[2], t[3], 0, 0, 0, 0x40000000};
    size_t pos = at + 4 + (bytes[at + 4] == 1 ? 52 : 40);
    for (int32_t v : matrix) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes[pos++] = static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
    }
    std::ofstream out(to, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

// The frame number read back from the stripes at mid-height.
inline int FrameNumberOf(const VideoImage& image) {
    int n = 0;
    const int stripe = image.width / 8;
    for (int bit = 0; bit < 8; ++bit) {
        const size_t at = static_cast<size_t>(image.height / 2) * image.stride +
                          static_cast<size_t>(bit * stripe + stripe / 2) * 4;
        if (image.pixels[at + 1] > 128)  // green
            n |= 1 << bit;
    }
    return n;
}

}  // namespace qv::test
