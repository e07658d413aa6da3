#include "core/text_utils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace qv {
namespace {

using Items = std::vector<std::string>;

Items Split(std::string_view text, char separator) {
    Items items;
    SplitAtChar(items, text, separator);
    return items;
}

TEST(SplitAtChar, EmptyPiecesCount) {
    EXPECT_EQ(Split(",,", ','), (Items{"", "", ""}));
    EXPECT_EQ(Split("", ','), (Items{""}));
    EXPECT_EQ(Split("a,b,", ','), (Items{"a", "b", ""}));
    EXPECT_EQ(Split(",a", ','), (Items{"", "a"}));
    EXPECT_EQ(Split("a,,b", ','), (Items{"a", "", "b"}));
}

TEST(SplitAtChar, KeepsPiecesIntact) {
    EXPECT_EQ(Split("no separator here", ','), (Items{"no separator here"}));
    EXPECT_EQ(Split(" 1.5 , x ", ','), (Items{" 1.5 ", " x "}));
    EXPECT_EQ(Split("a\tb,c\t", '\t'), (Items{"a", "b,c", ""}));
    const std::string withNul("a\0b,c", 5);
    EXPECT_EQ(Split(withNul, ','), (Items{std::string("a\0b", 3), "c"}));
}

TEST(SplitAtChar, AppendsToWhatIsAlreadyInTheList) {
    Items items{"kept"};
    SplitAtChar(items, "1,2", ',');
    SplitAtChar(items, "", ',');
    EXPECT_EQ(items, (Items{"kept", "1", "2", ""}));
}

TEST(DigitValues, HexDigits) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    for (const char c : {'G', 'g', 'z', 'Z', '@', '`', '/', ':', ' ', '-', '\0'}) {
        EXPECT_EQ(HexDigitValue(c), 0) << int(c);
    }
    // Bytes above 0x7F must not be taken for letters.
    for (int b = 0x80; b <= 0xFF; ++b)
        EXPECT_EQ(HexDigitValue(static_cast<char>(b)), 0) << b;
}

TEST(DigitValues, DecimalDigits) {
    for (char c = '0'; c <= '9'; ++c)
        EXPECT_EQ(DigitValue(c), c - '0');
    EXPECT_EQ(DigitValue('-'), -1);
    for (const char c : {'+', '.', 'a', 'A', ' ', '/', ':', '\xB0'})
        EXPECT_EQ(DigitValue(c), 0);
}

TEST(HexToInt, AccumulatesEveryCharacter) {
    EXPECT_EQ(HexToInt("1f"), 31);
    EXPECT_EQ(HexToInt("1F"), 31);
    EXPECT_EQ(HexToInt("G1"), 1);
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("00ff"), 255);
    EXPECT_EQ(HexToInt("1G"), 16);  // an invalid character still shifts
    EXPECT_EQ(HexToInt("0x10"), 16);
    EXPECT_EQ(HexToInt("-1"), 1);
    EXPECT_EQ(HexToInt("7fffffff"), std::numeric_limits<int32_t>::max());
}

TEST(HexToInt, WrapsAsA32BitInteger) {
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(HexToInt("80000000"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(HexToInt("100000000"), 0);
    EXPECT_EQ(HexToInt("123456789"), 0x23456789);
}

TEST(TextToFloat, Numbers) {
    EXPECT_EQ(TextToFloat("1.5"), 1.5L);
    EXPECT_EQ(TextToFloat("-12.25"), -12.25L);
    EXPECT_EQ(TextToFloat("+2"), 2.0L);
    EXPECT_EQ(TextToFloat("42"), 42.0L);
    EXPECT_EQ(TextToFloat(".5"), 0.5L);
    EXPECT_EQ(TextToFloat("-.5"), -0.5L);
    EXPECT_EQ(TextToFloat("5."), 5.0L);
    EXPECT_EQ(TextToFloat("1e3"), 1000.0L);
    EXPECT_EQ(TextToFloat("2.5E-2"), 0.025L);
    EXPECT_EQ(TextToFloat("0"), 0.0L);
}

TEST(TextToFloat, KeepsFullExtendedPrecision) {
    EXPECT_EQ(TextToFloat("0.1"), 0.1L);
    EXPECT_EQ(TextToFloat("35.123456789012345678"), 35.123456789012345678L);
    if (std::numeric_limits<Float80>::digits > std::numeric_limits<double>::digits) {
        EXPECT_NE(TextToFloat("0.1"), static_cast<Float80>(0.1));
    }
}

TEST(TextToFloat, SurroundingBlanksAreAllowed) {
    EXPECT_EQ(TextToFloat("  3.5"), 3.5L);
    EXPECT_EQ(TextToFloat("3.5 \r\n"), 3.5L);
    EXPECT_EQ(TextToFloat("\t-7\t"), -7.0L);
}

TEST(TextToFloat, UnconvertibleTextGivesZero) {
    const char* bad[] = {"abc",  "",    "   ",      "-",    "+",       ".",    "1,5", "1.5x",
                         "x1.5", "1 2", "--1",      "+-1",  "-+1",     "1e",   "e5",  "inf",
                         "-inf", "nan", "infinity", "0x10", "1e99999", "1.2.3"};
    for (const char* text : bad)
        EXPECT_EQ(TextToFloat(text), 0.0L) << '"' << text << '"';
}

// A comma-decimal C locale must not change how numbers are read.
TEST(TextToFloat, IgnoresTheCLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            comma = name;
            break;
        }
    }
    if (comma == nullptr)
        GTEST_SKIP() << "no comma-decimal locale installed";
    const Float80 dot = TextToFloat("1.5");
    const Float80 withComma = TextToFloat("1,5");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(dot, 1.5L);
    EXPECT_EQ(withComma, 0.0L);
}

}  // namespace
}  // namespace qv

#include "core/sentence_checksum.h"

namespace {

TEST(SentenceChecksum, MatchesPublishedSentences) {
    // The widely published RMC example sentence and a PMTK test command.
    EXPECT_EQ(qv::ChecksummedSentence(
                  "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
              "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    EXPECT_EQ(qv::ChecksummedSentence("PMTK000"), "$PMTK000*32");
    EXPECT_EQ(qv::ChecksummedSentence(""), "$*00");
}

}  // namespace
