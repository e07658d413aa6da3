#include <gtest/gtest.h>

#include <string>

#include "library/content_hash.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// Published SHA-256 test vectors, including the two padding edges: a
// message whose length field no longer fits its last block (56 bytes) and
// one that fills a block exactly (64 bytes).
TEST(ContentHash, KnownDigests) {
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sha256Hex(c.message), c.digest) << c.message.size() << " bytes";
}

TEST(ContentHash, FileHashEqualsHashOfItsBytesAndMissingFileSaysWhy) {
    test::TempDir dir;
    // Larger than the reading buffer, so the file is hashed in pieces.
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    test::WriteText(dir / "log.bin", bytes);
    std::string error;
    EXPECT_EQ(FileSha256Hex(dir / "log.bin", error), Sha256Hex(bytes));
    EXPECT_FALSE(FileSha256Hex(dir / "gone.bin", error).has_value());
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qv
