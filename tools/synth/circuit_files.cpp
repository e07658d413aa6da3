#include "synth/circuit_files.h"

#include <algorithm>
#include <cmath>

#include "geometry/plane.h"
#include "geometry/pth_file.h"
#include "geometry/sci_file.h"
#include "laps/cln_file.h"

namespace qv::synth {
namespace {

struct Normal {
    double east = 0;  // unit vector to the left of the direction of travel, m
    double north = 0;
};

// The unit vector to the left of the direction from `from` to `to`.
Normal LeftNormal(const LatLon& from, const LatLon& to) {
    const double degPerMetreLat = static_cast<double>(MToLatDeg(1));
    const double degPerMetreLon = static_cast<double>(MToLonDeg(1, from.lat));
    const double east = (to.lon - from.lon) / degPerMetreLon;
    const double north = (to.lat - from.lat) / degPerMetreLat;
    const double length = std::hypot(east, north);
    if (length == 0)
        return {};
    return {-north / length, east / length};
}

// The left normal at point i, from the chord between its neighbours.
Normal LeftNormalAt(const Circuit& circuit, size_t i) {
    const size_t n = circuit.points.size();
    return LeftNormal(circuit.points[(i + n - 1) % n], circuit.points[(i + 1) % n]);
}

LatLon Offset(const LatLon& p, const Normal& normal, double metres) {
    return {p.lat + static_cast<double>(MToLatDeg(normal.north * metres)),
            p.lon + static_cast<double>(MToLonDeg(normal.east * metres, p.lat))};
}

TPathElmRec ToPathPoint(const LatLon& p) {
    TPathElmRec point;
    point.Ido = p.lat;
    point.Kdo = p.lon;
    return point;
}

}  // namespace

TrackMapStore CircuitTrackMap(const Circuit& circuit, double halfWidthM) {
    TrackMapStore store;
    if (circuit.points.size() < 3)
        return store;
    for (const double side : {halfWidthM, -halfWidthM}) {
        TPathRec path;
        for (size_t i = 0; i < circuit.points.size(); ++i) {
            path.Elm.push_back(
                ToPathPoint(Offset(circuit.points[i], LeftNormalAt(circuit, i), side)));
        }
        path.Elm.push_back(path.Elm.front());
        store.TrackMap.push_back(std::move(path));
    }
    return store;
}

LineState CircuitControlLine(const Circuit& circuit) {
    LineState lines;
    lines.controlLineSet = true;
    lines.first[0] = {circuit.lineA.lat, circuit.lineA.lon};
    lines.first[1] = {circuit.lineB.lat, circuit.lineB.lon};
    return lines;
}

GateTable CircuitGates(const Circuit& circuit, int count, double halfLengthM) {
    GateTable gates;
    const size_t n = circuit.points.size();
    if (n < 3)
        return gates;
    count = std::clamp(count, 1, MaxSectGate);
    for (int k = 0; k < count; ++k) {
        // Centred between two points, so that the centre line never merely
        // touches the gate at a point.
        const size_t i = n * static_cast<size_t>(k + 1) / static_cast<size_t>(count + 1);
        const LatLon& a = circuit.points[i];
        const LatLon& b = circuit.points[(i + 1) % n];
        const LatLon centre{(a.lat + b.lat) / 2, (a.lon + b.lon) / 2};
        const Normal normal = LeftNormal(a, b);
        const LatLon left = Offset(centre, normal, halfLengthM);
        const LatLon right = Offset(centre, normal, -halfLengthM);
        SectGate& gate = gates.SectGates[static_cast<size_t>(k)];
        gate.Ido1 = left.lat;
        gate.Kdo1 = left.lon;
        gate.Ido2 = right.lat;
        gate.Kdo2 = right.lon;
        gate.PassNo = 1;
    }
    gates.SectCount = count;
    return gates;
}

CircuitFilesResult WriteCircuitFiles(const Circuit& circuit, const std::filesystem::path& folder,
                                     const std::string& baseName) {
    CircuitFilesResult result;
    result.paths.pth = folder / (baseName + ".pth");
    result.paths.cln = folder / (baseName + ".cln");
    result.paths.sci = folder / (baseName + ".sci");
    const WriteResult writes[] = {
        WritePthFile(result.paths.pth, CircuitTrackMap(circuit)),
        WriteClnFile(result.paths.cln, CircuitControlLine(circuit)),
        WriteSectFile(result.paths.sci, CircuitGates(circuit)),
    };
    for (const WriteResult& w : writes) {
        if (!w.ok) {
            result.error = w.error;
            return result;
        }
    }
    result.ok = true;
    return result;
}

}  // namespace qv::synth
