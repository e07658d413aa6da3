#include "video/video_chapters.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>

namespace qv {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool Digits(const std::string& text, size_t from, size_t count) {
    if (from + count > text.size())
        return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// How the later chapters of a first chapter are named: `prefix`, the
// two-digit chapter, `number`, `extension` (all upper case).
struct ChapterNaming {
    std::string prefix;
    int nextChapter = 2;
    std::string number;
    std::string extension;

    std::string NameOf(int chapter) const {
        const char tens = static_cast<char>('0' + chapter / 10);
        const char units = static_cast<char>('0' + chapter % 10);
        return prefix + tens + units + number + extension;
    }
};

std::optional<ChapterNaming> NamingAfter(const std::filesystem::path& first) {
    const std::string name = Upper(first.filename().string());
    const std::string extension = Upper(first.extension().string());
    const std::string stem = name.substr(0, name.size() - extension.size());
    if (stem.size() != 8 || extension.empty())
        return std::nullopt;
    const bool letters = std::isalpha(static_cast<unsigned char>(stem[0])) != 0 &&
                         std::isalpha(static_cast<unsigned char>(stem[1])) != 0;
    if (!letters)
        return std::nullopt;
    if (stem.compare(0, 4, "GOPR") == 0 && Digits(stem, 4, 4))
        return ChapterNaming{"GP", 1, stem.substr(4), extension};
    if (Digits(stem, 2, 6) && stem.compare(2, 2, "01") == 0)
        return ChapterNaming{stem.substr(0, 2), 2, stem.substr(4), extension};
    return std::nullopt;
}

}  // namespace

std::vector<std::filesystem::path> ChapterFiles(const std::filesystem::path& first,
                                                const std::vector<std::string>& namesInFolder) {
    std::vector<std::filesystem::path> chapters{first};
    const std::optional<ChapterNaming> naming = NamingAfter(first);
    if (!naming)
        return chapters;
    for (int chapter = naming->nextChapter; chapter <= 99; ++chapter) {
        const std::string wanted = naming->NameOf(chapter);
        const auto found = std::find_if(namesInFolder.begin(), namesInFolder.end(),
                                        [&](const std::string& n) { return Upper(n) == wanted; });
        if (found == namesInFolder.end())
            break;
        chapters.push_back(first.parent_path() / *found);
    }
    return chapters;
}

std::vector<std::filesystem::path> ChapterFilesOnDisk(const std::filesystem::path& first) {
    if (!NamingAfter(first))
        return {first};
    std::vector<std::string> names;
    std::error_code error;
    const std::filesystem::path folder =
        first.has_parent_path() ? first.parent_path() : std::filesystem::path(".");
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error))
            names.push_back(it->path().filename().string());
    }
    if (error)
        return {first};
    // Two names differing only in case: the same order every time.
    std::sort(names.begin(), names.end());
    return ChapterFiles(first, names);
}

}  // namespace qv
