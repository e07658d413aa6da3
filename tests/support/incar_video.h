#pragma once
// In-car videos made for the video tie tests: the camera looks out over a
// panorama that turns with the car's heading, a dashboard fixed in the lower
// part of the picture, noise on every pixel, compressed by ffmpeg as a
// camera would. The car's heading comes from a synthetic drive, so where the
// video starts on the drive's clock is known.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "synth/drive.h"

namespace qv::test {

struct InCarVideo {
    double startUtcMs = 0;  // the drive's instant shown by the first frame
    double seconds = 40;
    int fps = 30;
    int width = 192;
    int height = 108;
    double fieldOfViewDeg = 90;
    double clockFastPpm = 0;  // the camera's clock against the drive's
    uint32_t seed = 7;        // the panorama and the noise
    int noise = 12;           // ± grey levels on every pixel of every frame
    std::string codec = "-c:v libx264 -preset ultrafast -crf 23";
    std::string pixelFormat = "yuv420p";  // as stored in the file
};

// The drive's heading (compass degrees, unwrapped) at any instant, linear
// between fixes.
class DriveHeading {
  public:
    explicit DriveHeading(const synth::Drive& drive) {
        double previous = 0;
        for (const synth::SynthFix& f : drive.fixes) {
            double h = f.compassDeg;
            if (!times_.empty()) {
                while (h - previous > 180)
                    h -= 360;
                while (h - previous < -180)
                    h += 360;
            }
            times_.push_back(static_cast<double>(f.utcMs));
            headings_.push_back(h);
            previous = h;
        }
    }
    double At(double utcMs) const {
        if (times_.empty())
            return 0;
        const auto it = std::lower_bound(times_.begin(), times_.end(), utcMs);
        if (it == times_.begin())
            return headings_.front();
        if (it == times_.end())
            return headings_.back();
        const size_t k = static_cast<size_t>(it - times_.begin());
        const double u = (utcMs - times_[k - 1]) / (times_[k] - times_[k - 1]);
        return headings_[k - 1] + u * (headings_[k] - headings_[k - 1]);
    }

  private:
    std::vector<double> times_, headings_;
};

inline bool MakeInCarVideo(const std::filesystem::path& out, const DriveHeading& heading,
                           const InCarVideo& v) {
    const double pxPerDeg = v.width / v.fieldOfViewDeg;
    const int panorama = static_cast<int>(std::lround(360 * pxPerDeg));
    const int sky = v.height * 3 / 5;
    std::mt19937 random(v.seed);
    // Blobs of a few pixels: random levels on a coarse grid, joined smoothly.
    constexpr int kCell = 6;
    const int cellsX = (panorama + kCell - 1) / kCell, cellsY = sky / kCell + 2;
    std::vector<double> coarse(static_cast<size_t>(cellsX * cellsY));
    std::uniform_real_distribution<double> level(30, 225);
    for (double& c : coarse)
        c = level(random);
    std::vector<double> scene(static_cast<size_t>(panorama * sky));
    for (int y = 0; y < sky; ++y) {
        for (int x = 0; x < panorama; ++x) {
            const double fx = static_cast<double>(x) / kCell, fy = static_cast<double>(y) / kCell;
            const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
            const double ux = fx - x0, uy = fy - y0;
            const auto at = [&](int cx, int cy) {
                return coarse[static_cast<size_t>(cy * cellsX + (cx % cellsX))];
            };
            scene[static_cast<size_t>(y * panorama + x)] =
                (1 - uy) * ((1 - ux) * at(x0, y0) + ux * at(x0 + 1, y0)) +
                uy * ((1 - ux) * at(x0, y0 + 1) + ux * at(x0 + 1, y0 + 1));
        }
    }
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt gray -s " +
        std::to_string(v.width) + "x" + std::to_string(v.height) + " -r " + std::to_string(v.fps) +
        " -i - " + v.codec + " -pix_fmt " + v.pixelFormat + " \"" + out.string() + "\"";
    FILE* pipe = popen(command.c_str(), "w");
    if (pipe == nullptr)
        return false;
    std::uniform_int_distribution<int> noise(-v.noise, v.noise);
    std::vector<uint8_t> frame(static_cast<size_t>(v.width * v.height));
    const int frames = static_cast<int>(std::lround(v.seconds * v.fps));
    bool written = true;
    for (int n = 0; n < frames && written; ++n) {
        // A fast camera clock shows fewer true seconds per video second.
        const double trueMs = v.startUtcMs + 1000.0 * n / v.fps / (1 + v.clockFastPpm * 1e-6);
        const double pan = heading.At(trueMs) * pxPerDeg;
        for (int y = 0; y < v.height; ++y) {
            for (int x = 0; x < v.width; ++x) {
                double value = 0;
                if (y < sky) {
                    double c = std::fmod(x + pan, panorama);
                    if (c < 0)
                        c += panorama;
                    const int c0 = static_cast<int>(c);
                    const double u = c - c0;
                    const size_t row = static_cast<size_t>(y * panorama);
                    value = (1 - u) * scene[row + static_cast<size_t>(c0)] +
                            u * scene[row + static_cast<size_t>((c0 + 1) % panorama)];
                } else {
                    value = 60 + 40 * ((x / 16 + y / 8) % 2);  // the dashboard
                }
                frame[static_cast<size_t>(y * v.width + x)] =
                    static_cast<uint8_t>(std::clamp(value + noise(random), 0.0, 255.0));
            }
        }
        written = std::fwrite(frame.data(), 1, frame.size(), pipe) == frame.size();
    }
    return pclose(pipe) == 0 && written && std::filesystem::exists(out);
}

}  // namespace qv::test
