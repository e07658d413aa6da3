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
    const std::string ext = DroppedFileExtension(file);
    if (ext == ".dtb")
        return DroppedFileAction::LoadLapDataFile;
    if (ext == ".bon")
        return DroppedFileAction::LoadRunFile;
    if (ext == ".bond")
        return DroppedFileAction::LoadBondRunFile;
    return DroppedFileAction::Ignore;
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
            case DroppedFileAction::Ignore:
                break;
        }
        if (load != nullptr && *load && (*load)(file))
            loaded = true;
    }
    return loaded;
}

}  // namespace qv
