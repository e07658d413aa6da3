#pragma once
// The file dialogs' name filters from the program's own filter text
// ("Description|*.ext;*.ext2|Other|*.ext3"), in plain strings.

#include <string>
#include <string_view>

namespace qv::ui {

// A pattern that matches names whatever the case of their letters: each
// ASCII letter becomes a bracket of its two cases ("*.mp4" gives
// "*.[mM][pP]4"); brackets already in the pattern are kept as they are.
std::string CaseBlindPattern(std::string_view pattern);

// "Description (patterns);;Other (patterns)" as Qt's dialogs take it. Each
// entry's first pattern comes as written, then every pattern case-blind. A
// description without patterns after it is dropped.
std::string DialogNameFilters(std::string_view filter);

}  // namespace qv::ui
