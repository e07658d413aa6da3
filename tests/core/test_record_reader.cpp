#include "core/record_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

namespace qv {
namespace {

// Bytes that differ from their neighbours, so a record read from the wrong
// place shows.
std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + 3) % 251);
    return bytes;
}

struct Chunks {
    std::vector<size_t> sizes;
    std::vector<uint8_t> bytes;
};

Chunks ReadRest(RecordReader& reader) {
    Chunks out;
    for (std::span<const uint8_t> c = reader.NextChunk(); !c.empty(); c = reader.NextChunk()) {
        out.sizes.push_back(c.size());
        out.bytes.insert(out.bytes.end(), c.begin(), c.end());
    }
    return out;
}

class RecordReaderTest : public ::testing::Test {
  protected:
    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        test::WriteBytes(dir_ / name, bytes);
        return dir_ / name;
    }
    test::TempDir dir_;
};

TEST_F(RecordReaderTest, ChunksEndAtTheChunkSizeAndTheLastRecord) {
    // A 3-byte header, then 7 records of 5 bytes, 3 records a chunk.
    const std::vector<uint8_t> bytes = Pattern(3 + 7 * 5);
    RecordReader reader(Write("seven", bytes), 5, 3, 3);
    ASSERT_TRUE(reader.WholeRecords());
    EXPECT_EQ(reader.RecordCount(), 7u);
    EXPECT_EQ(std::vector<uint8_t>(reader.Header().begin(), reader.Header().end()),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3));
    const Chunks seven = ReadRest(reader);
    EXPECT_EQ(seven.sizes, (std::vector<size_t>{15, 15, 5}));
    EXPECT_EQ(seven.bytes, std::vector<uint8_t>(bytes.begin() + 3, bytes.end()));
    EXPECT_EQ(reader.RecordsRead(), 7u);
    EXPECT_FALSE(reader.Failed());

    // Exactly two chunks: no short chunk and no failure at the end.
    RecordReader six(Write("six", Pattern(6 * 5)), 5, 0, 3);
    EXPECT_EQ(ReadRest(six).sizes, (std::vector<size_t>{15, 15}));
    EXPECT_FALSE(six.Failed());

    // Straight into the caller's memory: as many whole records as fit.
    RecordReader into(Write("ten", Pattern(10 * 4)), 4);
    std::vector<uint8_t> buffer(6 * 4 + 2);
    EXPECT_EQ(into.ReadInto(buffer), 6u);
    EXPECT_EQ(buffer[23], Pattern(24)[23]);
    EXPECT_EQ(into.ReadInto(buffer), 4u);
    EXPECT_EQ(buffer[0], Pattern(40)[24]);
    EXPECT_EQ(into.ReadInto(buffer), 0u);
    EXPECT_FALSE(into.Failed());
}

TEST_F(RecordReaderTest, BytesAfterTheLastWholeRecordAreNotDelivered) {
    const std::vector<uint8_t> bytes = Pattern(2 * 4 + 3);
    RecordReader reader(Write("partial", bytes), 4);
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_FALSE(reader.WholeRecords());
    EXPECT_EQ(reader.RecordCount(), 2u);
    EXPECT_EQ(reader.TrailingBytes(), 3u);
    EXPECT_EQ(ReadRest(reader).bytes, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8));
    EXPECT_FALSE(reader.Failed());

    // Shorter than its header: neither header nor records.
    RecordReader cut(Write("cut", Pattern(5)), 4, 8);
    EXPECT_FALSE(cut.WholeRecords());
    EXPECT_TRUE(cut.Header().empty());
    EXPECT_EQ(cut.RecordCount(), 0u);
    EXPECT_EQ(cut.TrailingBytes(), 5u);
    EXPECT_TRUE(cut.NextChunk().empty());
    EXPECT_FALSE(cut.Failed());
}

TEST_F(RecordReaderTest, EmptyMissingAndFolder) {
    RecordReader empty(Write("empty", {}), 128);
    EXPECT_TRUE(empty.WholeRecords());
    EXPECT_EQ(empty.RecordCount(), 0u);
    EXPECT_TRUE(empty.NextChunk().empty());
    EXPECT_FALSE(empty.Failed());

    for (const std::filesystem::path& path : {dir_ / "none", dir_.path()}) {
        RecordReader reader(path, 128);
        EXPECT_FALSE(reader.IsOpen());
        EXPECT_TRUE(reader.Missing());
        EXPECT_TRUE(reader.Failed());
        EXPECT_FALSE(reader.Error().empty());
        EXPECT_TRUE(reader.NextChunk().empty());
    }
}

TEST_F(RecordReaderTest, FileThatShrinksKeepsTheRecordsThatArrived) {
    // Records larger than the stream's buffer, so nothing past the first
    // chunk is held before the file is cut.
    constexpr size_t kSize = 4096;
    const std::filesystem::path path = Write("shrinks", Pattern(64 * kSize));
    RecordReader reader(path, kSize, 0, 2);
    ASSERT_EQ(reader.NextChunk().size(), 2 * kSize);
    // Cut inside the second record of a chunk: its first record still comes.
    std::filesystem::resize_file(path, 41 * kSize + 100);
    const Chunks rest = ReadRest(reader);
    EXPECT_EQ(reader.RecordsRead(), 41u);
    EXPECT_EQ(rest.sizes.back(), kSize);
    EXPECT_EQ(rest.bytes.size(), 39 * kSize);
    EXPECT_EQ(rest.bytes.back(), Pattern(41 * kSize).back());
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Error(), kFileEndedEarly);
    EXPECT_TRUE(reader.NextChunk().empty());
}

}  // namespace
}  // namespace qv
