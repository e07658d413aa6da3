#include "video/gpmd_reader.h"

#include <cstring>

namespace qv {
namespace {

constexpr size_t kHeaderSize = 8;

uint64_t BigEndian(const uint8_t* p, size_t bytes) {
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

std::string KeyText(const std::array<char, 4>& key) {
    std::string text;
    for (char c : key)
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    return text;
}

bool ParseLevel(std::span<const uint8_t> bytes, int depth, std::vector<KlvRecord>& out,
                std::string& error) {
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kHeaderSize) {
            error = "record header cut short at byte " + std::to_string(at);
            return false;
        }
        KlvRecord r;
        std::memcpy(r.key.data(), bytes.data() + at, 4);
        r.type = static_cast<char>(bytes[at + 4]);
        r.structSize = bytes[at + 5];
        r.repeat = static_cast<uint16_t>(BigEndian(bytes.data() + at + 6, 2));
        const size_t size = static_cast<size_t>(r.structSize) * r.repeat;
        const size_t padded = (size + 3) & ~size_t{3};
        at += kHeaderSize;
        // An all-zero key is padding some writers leave at the end.
        if (r.key == std::array<char, 4>{} && size == 0)
            continue;
        if (padded > bytes.size() - at) {
            error = KeyText(r.key) + " runs past the end of its data";
            return false;
        }
        r.payload = bytes.subspan(at, size);
        at += padded;
        if (r.type == 0) {
            if (depth + 1 >= kKlvMaxDepth) {
                error = KeyText(r.key) + " nests too deep";
                return false;
            }
            const bool whole = ParseLevel(r.payload, depth + 1, r.children, error);
            out.push_back(std::move(r));
            if (!whole)
                return false;
        } else {
            out.push_back(std::move(r));
        }
    }
    return true;
}

size_t ElementSize(char type) {
    switch (type) {
        case 'b':
        case 'B':
            return 1;
        case 's':
        case 'S':
            return 2;
        case 'l':
        case 'L':
        case 'f':
        case 'q':
            return 4;
        case 'j':
        case 'J':
        case 'd':
        case 'Q':
            return 8;
        default:
            return 0;
    }
}

double ElementValue(char type, const uint8_t* p) {
    const uint64_t raw = BigEndian(p, ElementSize(type));
    switch (type) {
        case 'b':
            return static_cast<int8_t>(raw);
        case 's':
            return static_cast<int16_t>(raw);
        case 'l':
            return static_cast<int32_t>(raw);
        case 'j':
            return static_cast<double>(static_cast<int64_t>(raw));
        case 'f': {
            const auto bits = static_cast<uint32_t>(raw);
            float f = 0;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        case 'd': {
            double d = 0;
            std::memcpy(&d, &raw, sizeof d);
            return d;
        }
        case 'q':
            return static_cast<int32_t>(raw) / 65536.0;
        case 'Q':
            return static_cast<double>(static_cast<int64_t>(raw)) / 4294967296.0;
        default:  // the unsigned types
            return static_cast<double>(raw);
    }
}

void CollectGyro(const std::vector<KlvRecord>& records, GyroSamples& out) {
    std::vector<double> scale{1.0};
    for (const KlvRecord& r : records) {
        if (r.type == 0) {
            CollectGyro(r.children, out);
        } else if (r.Is("SCAL")) {
            std::vector<double> s = KlvNumbers(r);
            if (!s.empty())
                scale = std::move(s);
        } else if (r.Is("GYRO")) {
            const std::vector<double> v = KlvNumbers(r);
            const size_t perSample = ElementSize(r.type) ? r.structSize / ElementSize(r.type) : 0;
            if (perSample < 3 || v.empty()) {
                out.error = "GYRO samples of an unexpected form";
                continue;
            }
            for (size_t i = 0; i + perSample <= v.size(); i += perSample) {
                std::array<double, 3> sample{};
                for (size_t axis = 0; axis < 3; ++axis) {
                    const double d = scale.size() >= 3 ? scale[axis] : scale[0];
                    sample[axis] = d != 0 ? v[i + axis] / d : v[i + axis];
                }
                out.samples.push_back(sample);
            }
        }
    }
}

}  // namespace

KlvParse ParseKlv(std::span<const uint8_t> bytes) {
    KlvParse result;
    ParseLevel(bytes, 0, result.records, result.error);
    return result;
}

std::vector<double> KlvNumbers(const KlvRecord& record) {
    const size_t element = ElementSize(record.type);
    if (element == 0 || record.structSize % element != 0 || record.payload.size() % element != 0)
        return {};
    std::vector<double> values;
    values.reserve(record.payload.size() / element);
    for (size_t at = 0; at < record.payload.size(); at += element)
        values.push_back(ElementValue(record.type, record.payload.data() + at));
    return values;
}

GyroSamples ReadGpmdGyro(std::span<const uint8_t> bytes) {
    GyroSamples result;
    KlvParse parsed = ParseKlv(bytes);
    CollectGyro(parsed.records, result);
    if (!parsed.ok())
        result.error = parsed.error;
    return result;
}

}  // namespace qv
