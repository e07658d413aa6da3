#pragma once
// Loads the window's translation before any widget is built.

#include <QTranslator>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings.h"

namespace qv::ui {

// The translation for `language` and the locale named `localeName` from the
// first of `folders` that holds it, installed into the application. Returns
// the file loaded, empty when the source texts are to show or no folder
// held the file (the window then shows its source texts).
std::filesystem::path InstallWindowTranslator(QTranslator& translator,
                                              const std::vector<std::filesystem::path>& folders,
                                              WindowLanguage language,
                                              const std::string& localeName);

// The folders searched: the installed data folder's, then the build tree's.
std::vector<std::filesystem::path> TranslationFolders(const std::filesystem::path& dataDir,
                                                      const std::filesystem::path& buildTreeDir);

}  // namespace qv::ui
