#include "core/save_path.h"

#include "core/atomic_file.h"

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

std::optional<std::filesystem::path> ChooseSavePath(Prompter& prompter, FileDialogRequest request,
                                                    std::filesystem::path& folder,
                                                    const std::string& extension) {
    request.initialFolder = folder.string();
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen)
        return std::nullopt;
    folder = std::filesystem::path(*chosen).parent_path();
    return ConfirmSavePath(prompter, *chosen, extension);
}

SaveFileResult WriteSavedFile(Prompter& prompter, const std::filesystem::path& path,
                              std::string_view bytes) {
    const WriteResult written = WriteFileAtomically(path, bytes);
    SaveFileResult result;
    result.written = written.ok;
    result.path = path;
    result.error = written.error;
    if (!written.ok)
        prompter.Inform(written.error, MessageIcon::Error);
    return result;
}

}  // namespace qv
