#include "core/save_path.h"

namespace qv {

std::string ReplaceQuestion(const std::filesystem::path& path) {
    return path.string() + " already exists.\rDo you want to replace it ?";
}

std::optional<std::filesystem::path> ConfirmSavePath(Prompter& prompter,
                                                     const std::filesystem::path& chosen,
                                                     const std::string& extension) {
    std::filesystem::path path = chosen;
    if (path.extension().string() != extension)
        path.replace_extension(extension);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) &&
        !prompter.AskYesNo(ReplaceQuestion(path), MessageIcon::Warning)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace qv
