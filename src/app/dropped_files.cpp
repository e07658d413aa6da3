#include "app/dropped_files.h"

#include <cctype>

namespace qv {

std::string DroppedFileExtension(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = name.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

DroppedFileAction ClassifyDroppedFile(const std::filesystem::path& file, bool dataPageShown) {
    if (!dataPageShown)
        return DroppedFileAction::Ignore;
    const FileKind* kind = FindFileKind(DroppedFileExtension(file));
    return kind != nullptr ? kind->drop : DroppedFileAction::Ignore;
}

bool DispatchDroppedFiles(const std::vector<std::filesystem::path>& files, bool dataPageShown,
                          const DroppedFileLoaders& loaders) {
    bool loaded = false;
    for (const std::filesystem::path& file : files) {
        const std::function<bool(const std::filesystem::path&)>* load = nullptr;
        switch (ClassifyDroppedFile(file, dataPageShown)) {
            case DroppedFileAction::LoadLapDataFile:
                load = &loaders.lapDataFile;
                break;
            case DroppedFileAction::LoadRunFile:
                load = &loaders.runFile;
                break;
            case DroppedFileAction::LoadBondRunFile:
                load = &loaders.bondRunFile;
                break;
            case DroppedFileAction::OpenLog:
                load = &loaders.log;
                break;
            case DroppedFileAction::Ignore:
                break;
        }
        if (load != nullptr && *load && (*load)(file))
            loaded = true;
    }
    return loaded;
}

}  // namespace qv
