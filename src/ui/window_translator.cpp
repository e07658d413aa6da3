#include "ui/window_translator.h"

#include <QCoreApplication>
#include <system_error>

#include "app/window_language.h"

namespace qv::ui {

std::filesystem::path InstallWindowTranslator(QTranslator& translator,
                                              const std::vector<std::filesystem::path>& folders,
                                              WindowLanguage language,
                                              const std::string& localeName) {
    if (!UsesEnglishTranslation(language, localeName))
        return {};
    const std::string fileName = std::string(kTranslationBaseName) + "en.qm";
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path file = folder / fileName;
        std::error_code ec;
        if (folder.empty() || !std::filesystem::is_regular_file(file, ec))
            continue;
        if (translator.load(QString::fromStdString(file.string())) &&
            QCoreApplication::installTranslator(&translator)) {
            return file;
        }
    }
    return {};
}

std::vector<std::filesystem::path> TranslationFolders(const std::filesystem::path& dataDir,
                                                      const std::filesystem::path& buildTreeDir) {
    std::vector<std::filesystem::path> folders;
    if (!dataDir.empty())
        folders.push_back(dataDir / "quorvane" / "translations");
    if (!buildTreeDir.empty())
        folders.push_back(buildTreeDir);
    return folders;
}

}  // namespace qv::ui
