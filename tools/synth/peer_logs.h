#pragma once
// Text logs of other loggers written from a synthetic drive: NMEA 0183, GPX
// 1.1 and VBO text, each as its own logger writes it, so that the readers
// can be tested against the drive's known crossing times.

#include <string>
#include <vector>

#include "synth/drive.h"

namespace qv::synth {

struct NmeaLogOptions {
    bool gga = true;  // a GGA before each RMC, with the height and satellites
    std::string talker = "GP";
    bool rmc = true;   // false: no RMC, as fast receivers are often set up
    bool vtg = false;  // a VTG after each fix, the speed in knots and km/h
    bool zda = false;  // a ZDA with the date after each fix on a whole second
};

// RMC sentences (and GGA, VTG, ZDA) with milliseconds, minutes to five
// decimals, speed in knots to two decimals and km/h to three, CR LF line ends.
std::string EncodeNmeaLog(const std::vector<SynthFix>& fixes, const NmeaLogOptions& options = {});

struct GpxLogOptions {
    bool speeds = true;  // the speed in m/s in each point's extensions
};

// One track; a new segment wherever logging stopped for a minute or more.
// Positions to nine decimals, elevation, time with milliseconds, `sat`.
std::string EncodeGpxLog(const std::vector<SynthFix>& fixes, const GpxLogOptions& options = {});

struct VboLogOptions {
    bool knots = false;  // the velocity channel in knots rather than km/h
};

// Header, column names and data rows: positions in minutes to six decimals
// (longitude positive to the west), time to hundredths, "File created on"
// the first fix's UTC date.
std::string EncodeVboLog(const std::vector<SynthFix>& fixes, const VboLogOptions& options = {});

}  // namespace qv::synth
