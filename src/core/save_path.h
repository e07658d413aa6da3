#pragma once
// The rule every save dialog follows: the expected extension replaces any
// other, and an existing file is replaced only when the user agrees.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// The save dialog of `request` opened in `folder`. The chosen file's folder
// becomes `folder` even when the replace question is then answered No.
// Nothing when the dialog is cancelled or the replacement refused.
std::optional<std::filesystem::path> ChooseSavePath(Prompter& prompter, FileDialogRequest request,
                                                    std::filesystem::path& folder,
                                                    const std::string& extension);

struct SaveFileResult {
    bool written = false;
    std::filesystem::path path;  // the file to show or open afterwards
    std::string error;           // the platform's message when writing failed
};

// `bytes` written atomically to `path`; a failure is also shown as an error.
SaveFileResult WriteSavedFile(Prompter& prompter, const std::filesystem::path& path,
                              std::string_view bytes);

}  // namespace qv
