#pragma once
// Small text helpers shared by every reader of the program's text files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ext80.h"

namespace qv {

// Appends every piece of `text` between `separator`s to `list`. Empty pieces
// count, and the piece after the last separator is always appended: "" gives
// one empty item, "a,b," gives "a", "b", "". The list is not cleared.
void SplitAtChar(std::vector<std::string>& list, std::string_view text, char separator);

// '0'..'9' -> 0..9, 'A'..'F' / 'a'..'f' -> 10..15, anything else 0.
int HexDigitValue(char c);

// '0'..'9' -> 0..9, '-' -> -1, anything else 0.
int DigitValue(char c);

// Accumulates value * 16 + HexDigitValue over the text; empty text gives 0.
// Invalid characters count as 0; the value wraps as a 32-bit integer does.
int32_t HexToInt(std::string_view text);

// The decimal number in `text`: an optional sign, digits with '.' as the
// separator whatever the C locale, an optional exponent ("1.5e3"). Blanks
// (spaces, tabs, line ends) around it are allowed. 0 when the text is not
// entirely such a number, including "inf", "nan" and out-of-range values.
Float80 TextToFloat(std::string_view text);

// The text with 'a'..'z' turned upper case; other bytes unchanged, so the
// comparisons of extensions and markers do not depend on the locale.
std::string UpperCase(std::string_view text);

}  // namespace qv
