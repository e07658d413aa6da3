// The camera's KLV records, written out byte by byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "video/gpmd_reader.h"

namespace qv {
namespace {

using Bytes = std::vector<uint8_t>;

// A header: key, type, structure size, repeat (big-endian).
Bytes Header(const char (&key)[5], char type, uint8_t size, uint16_t repeat) {
    return {static_cast<uint8_t>(key[0]),      static_cast<uint8_t>(key[1]),
            static_cast<uint8_t>(key[2]),      static_cast<uint8_t>(key[3]),
            static_cast<uint8_t>(type),        size,
            static_cast<uint8_t>(repeat >> 8), static_cast<uint8_t>(repeat & 0xFF)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// DEVC { STRM { SCAL s 1000, GYRO s x3 (100, -100, 500) (1000, 0, -1000) } }
Bytes OneStream() {
    const Bytes scal = Cat({Header("SCAL", 's', 2, 1), {0x03, 0xE8, 0, 0}});  // 1000, 2 pad
    const Bytes gyro = Cat({Header("GYRO", 's', 6, 2),
                            {0x00, 0x64, 0xFF, 0x9C, 0x01, 0xF4,     // 100, -100, 500
                             0x03, 0xE8, 0x00, 0x00, 0xFC, 0x18}});  // 1000, 0, -1000
    const Bytes strm = Cat({Header("STRM", 0, 1, 32), scal, gyro});
    return Cat({Header("DEVC", 0, 1, 40), strm});
}

Bytes OneStreamCutAt(size_t size) {
    Bytes bytes = OneStream();
    bytes.resize(size);
    return bytes;
}

TEST(GpmdReader, GyroSamplesDividedByTheirStreamsScale) {
    // SCAL per axis (1, 10, 100; 6 bytes and 2 of padding) before a GYRO of
    // one sample (100, 100, 100), in a second stream after the first.
    const Bytes perAxis = Cat({Header("STRM", 0, 1, 32),
                               Header("SCAL", 's', 2, 3),
                               {0, 1, 0, 10, 0, 100, 0, 0},
                               Header("GYRO", 's', 6, 1),
                               {0, 100, 0, 100, 0, 100, 0, 0}});
    struct Case {
        const char* name;
        Bytes bytes;
        std::vector<std::array<double, 3>> samples;
    } cases[] = {
        {"one stream", OneStream(), {{0.1, -0.1, 0.5}, {1, 0, -1}}},
        {"scale per axis",
         Cat({OneStream(), perAxis}),
         {{0.1, -0.1, 0.5}, {1, 0, -1}, {100, 10, 1}}},
        {"padding records at the end",
         Cat({OneStream(), Bytes(8, 0)}),
         {{0.1, -0.1, 0.5}, {1, 0, -1}}},
    };
    for (const Case& c : cases) {
        const GyroSamples g = ReadGpmdGyro(c.bytes);
        EXPECT_EQ(g.error, "") << c.name;
        ASSERT_EQ(g.samples.size(), c.samples.size()) << c.name;
        for (size_t i = 0; i < c.samples.size(); ++i) {
            for (size_t a = 0; a < 3; ++a)
                EXPECT_DOUBLE_EQ(g.samples[i][a], c.samples[i][a])
                    << c.name << " " << i << " " << a;
        }
    }
}

TEST(GpmdReader, DamagedRecordsStopTheReadWithAReason) {
    Bytes deep = Header("GYRO", 's', 6, 0);
    for (int level = 0; level < kKlvMaxDepth + 1; ++level)
        deep = Cat({Header("DEVC", 0, 1, static_cast<uint16_t>(deep.size())), deep});
    Bytes lying = OneStream();
    lying[7] = 0xFF;  // DEVC claims 255 bytes
    const Bytes oneValueGyro = Cat({Header("GYRO", 's', 2, 2), {0, 1, 0, 2}});
    struct Case {
        const char* name;
        Bytes bytes;
        size_t samples;
    } cases[] = {
        {"cut inside the payload", OneStreamCutAt(30), 0},
        {"cut inside a header", OneStreamCutAt(5), 0},
        {"a length past the end", lying, 0},
        {"nested too deep", deep, 0},
        {"gyro of one axis", oneValueGyro, 0},
        // The first stream is whole and stays.
        {"a whole stream, then a cut one", Cat({OneStream(), Header("STRM", 0, 1, 64)}), 2},
    };
    for (const Case& c : cases) {
        const GyroSamples g = ReadGpmdGyro(c.bytes);
        EXPECT_NE(g.error, "") << c.name;
        EXPECT_EQ(g.samples.size(), c.samples) << c.name;
    }
}

TEST(GpmdReader, NumbersOfEveryType) {
    struct Case {
        char type;
        uint8_t size;
        Bytes payload;
        std::vector<double> values;
    } cases[] = {
        {'b', 1, {0x80, 0x7F}, {-128, 127}},
        {'B', 1, {0x80, 0x7F}, {128, 127}},
        {'s', 2, {0xFF, 0xFE}, {-2}},
        {'S', 2, {0xFF, 0xFE}, {65534}},
        {'l', 4, {0xFF, 0xFF, 0xFF, 0xFE}, {-2}},
        {'L', 4, {0xFF, 0xFF, 0xFF, 0xFE}, {4294967294.0}},
        {'f', 4, {0x3F, 0xC0, 0, 0}, {1.5}},               // IEEE 1.5
        {'d', 8, {0xC0, 0x04, 0, 0, 0, 0, 0, 0}, {-2.5}},  // IEEE -2.5
        {'q', 4, {0x00, 0x01, 0x80, 0x00}, {1.5}},         // 16.16
        {'j', 8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {-1}},
        {'c', 2, {'h', 'i'}, {}},          // text is no number
        {'s', 3, {0, 1, 2}, {}},           // a structure that is no whole number of elements
        {'l', 4, {0, 0, 0, 1, 0, 0}, {}},  // payload not a whole number of elements
    };
    for (const Case& c : cases) {
        KlvRecord r;
        r.type = c.type;
        r.structSize = c.size;
        r.payload = c.payload;
        EXPECT_EQ(KlvNumbers(r), c.values) << c.type;
    }
}

TEST(GpmdReader, RecordTreeKeepsKeysSizesAndNesting) {
    const KlvParse p = ParseKlv(OneStream());
    ASSERT_TRUE(p.ok()) << p.error;
    ASSERT_EQ(p.records.size(), 1u);
    const KlvRecord& devc = p.records[0];
    EXPECT_TRUE(devc.Is("DEVC"));
    ASSERT_EQ(devc.children.size(), 1u);
    const KlvRecord& strm = devc.children[0];
    ASSERT_EQ(strm.children.size(), 2u);
    EXPECT_TRUE(strm.children[0].Is("SCAL"));
    EXPECT_EQ(strm.children[0].payload.size(), 2u);  // the padding is not payload
    EXPECT_TRUE(strm.children[1].Is("GYRO"));
    EXPECT_EQ(strm.children[1].structSize, 6);
    EXPECT_EQ(strm.children[1].repeat, 2);
}

}  // namespace
}  // namespace qv
