#pragma once
// MoTeC CSV exports of a known motion, shaped like the analysis software's
// own: quoted cells, the heading block, blank lines, a units line and a
// channel named twice.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace qv::test {

constexpr double kStandardG = 9.80665;
constexpr double kMetresPerDegree = 6367444.5 * 3.14159265358979323846 / 180;

// A car on a circle of `radiusM` about (lat0, lon0), anticlockwise from the
// southern point, speeding up from `v0Kmh` at `accelMs2`.
struct MotecMotion {
    double rateHz = 20;
    double seconds = 30;
    double radiusM = 150;
    double v0Kmh = 60;
    double accelMs2 = 1.5;
    double lat0 = 35.3;
    double lon0 = 138.9;

    int Samples() const { return static_cast<int>(std::lround(seconds * rateHz)) + 1; }
    double Time(int k) const { return k / rateHz; }
    double SpeedMs(int k) const { return v0Kmh / 3.6 + accelMs2 * Time(k); }
    double DistM(int k) const {
        const double t = Time(k);
        return v0Kmh / 3.6 * t + accelMs2 * t * t / 2;
    }
    double Lat(int k) const {
        return lat0 - radiusM * std::cos(DistM(k) / radiusM) / kMetresPerDegree;
    }
    double Lon(int k) const {
        return lon0 + radiusM * std::sin(DistM(k) / radiusM) /
                          (kMetresPerDegree * std::cos(lat0 * 3.14159265358979323846 / 180));
    }
    double LateralG(int k) const { return SpeedMs(k) * SpeedMs(k) / radiusM / kStandardG; }
    double LongitudinalG() const { return accelMs2 / kStandardG; }
};

struct MotecFileOptions {
    bool positions = true;
    // "Vehicle Speed" right of "Ground Speed", so the vehicle speed is read.
    bool vehicleSpeedToo = false;
    std::string logDate = "23/04/2021";
    std::string logTime = "10:15:30";
    std::string lineEnd = "\r\n";
};

inline std::string Quoted(const std::string& cell) {
    return "\"" + cell + "\"";
}

inline std::string Num(const char* format, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

// Lines 0 to 11 the heading block, 12 and 13 blank, 14 the channels, 15 the
// units, 16 and 17 blank, 18 the first sample.
inline std::vector<std::string> MotecLines(const MotecMotion& m, const MotecFileOptions& o = {}) {
    std::vector<std::string> lines = {
        "\"Format\",\"MoTeC CSV File\",,,\"Workbook\",\"Untitled.ldx\"",
        "\"Venue\",\"Test Circle\",,,\"Worksheet\",\"Lap\"",
        "\"Vehicle\",\"Car 7\",,,\"Vehicle Desc\",\"\"",
        "\"Driver\",\"A. Driver\",,,\"Engine ID\",\"\"",
        "\"Device\",\"ADL3\",,,\"\",\"\"",
        "\"Comment\",\"\",,,\"Session\",\"2\"",
        "\"Log Date\"," + Quoted(o.logDate) + ",,,\"Origin Time\",\"0.000\",\"s\"",
        "\"Log Time\"," + Quoted(o.logTime) + ",,,\"Start Time\",\"0.000\",\"s\"",
        "\"Sample Rate\"," + Quoted(Num("%.3f", m.rateHz)) + ",\"Hz\",,\"End Time\"," +
            Quoted(Num("%.3f", m.seconds)) + ",\"s\"",
        "\"Duration\"," + Quoted(Num("%.3f", m.seconds)) + ",\"s\",,\"Start Distance\",\"0\",\"m\"",
        "\"Range\",\"Lap 3\",,,\"End Distance\"," + Quoted(Num("%.0f", m.DistM(m.Samples() - 1))) +
            ",\"m\"",
        "\"Beacon Markers\"," + Quoted(Num("%.3f", m.seconds)),
        "",
        "",
    };
    std::string channels = "\"Time\",\"Distance\",\"Ground Speed\"";
    std::string units = "\"s\",\"m\",\"km/h\"";
    if (o.positions) {
        channels += ",\"GPS Latitude\",\"GPS Longitude\"";
        units += ",\"deg\",\"deg\"";
    }
    channels += ",\"G Force Lat\",\"G Force Long\",\"Engine RPM\"";
    units += ",\"G\",\"G\",\"rpm\"";
    if (o.vehicleSpeedToo) {
        channels += ",\"Vehicle Speed\"";
        units += ",\"km/h\"";
    }
    // The analysis software repeats the time channel at the right.
    channels += ",\"Time\"";
    units += ",\"s\"";
    lines.push_back(channels);
    lines.push_back(units);
    lines.emplace_back("");
    lines.emplace_back("");
    for (int k = 0; k < m.Samples(); ++k) {
        const double kmh = m.SpeedMs(k) * 3.6;
        std::string line = Quoted(Num("%.3f", m.Time(k)));
        line += "," + Quoted(k == 0 ? std::string("0") : Num("%.2f", m.DistM(k)));
        // Ground speed lags the wheels by 5 km/h when both are logged.
        line += "," + Quoted(Num("%.2f", o.vehicleSpeedToo ? kmh - 5 : kmh));
        if (o.positions)
            line += "," + Quoted(Num("%.7f", m.Lat(k))) + "," + Quoted(Num("%.7f", m.Lon(k)));
        line +=
            "," + Quoted(Num("%.3f", m.LateralG(k))) + "," + Quoted(Num("%.3f", m.LongitudinalG()));
        line += "," + Quoted(Num("%.0f", 3000 + 20 * kmh));
        if (o.vehicleSpeedToo)
            line += "," + Quoted(Num("%.2f", kmh));
        line += "," + Quoted(Num("%.3f", m.Time(k)));
        lines.push_back(line);
    }
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines,
                             const std::string& end = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

}  // namespace qv::test
