#pragma once
// The rule every save dialog follows: the expected extension replaces any
// other, and an existing file is replaced only when the user agrees.

#include <filesystem>
#include <optional>
#include <string>

#include "core/prompter.h"

namespace qv {

// " already exists.\rDo you want to replace it ?" after the file name.
std::string ReplaceQuestion(const std::filesystem::path& path);

// `chosen` with its extension made exactly `extension` (".dtb"); when that
// file exists the replace question is asked (warning, Yes/No). Nothing when
// the user answers No.
std::optional<std::filesystem::path> ConfirmSavePath(Prompter& prompter,
                                                     const std::filesystem::path& chosen,
                                                     const std::string& extension);

}  // namespace qv
