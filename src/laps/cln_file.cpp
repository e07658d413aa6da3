#include "laps/cln_file.h"

#include "core/save_path.h"
#include "core/text_file.h"
#include "core/text_utils.h"

namespace qv {
namespace {

Line LineFrom(const std::vector<std::string>& fileLines, size_t first) {
    Line line;
    line[0].lat = TextToFloat(fileLines[first]);
    line[0].lon = TextToFloat(fileLines[first + 1]);
    line[1].lat = TextToFloat(fileLines[first + 2]);
    line[1].lon = TextToFloat(fileLines[first + 3]);
    return line;
}

bool EndsCoincide(const Line& line) {
    return line[0].lat == line[1].lat && line[0].lon == line[1].lon;
}

void AppendLine(std::string& text, const Line& line) {
    for (const LinePoint& p : line) {
        text += FormatFixed6(p.lat) + "\r\n";
        text += FormatFixed6(p.lon) + "\r\n";
    }
}

}  // namespace

ClnKind ApplyClnLines(const std::vector<std::string>& fileLines, LineState& lines, ClnRally rally) {
    if (fileLines.size() <= 4)
        return ClnKind::None;
    if (fileLines[0] == "1") {
        const Line control = LineFrom(fileLines, 1);
        if (EndsCoincide(control))
            return ClnKind::None;
        lines.first = control;
        lines.controlLineSet = true;
        lines.startLineSet = false;
        lines.finishLineSet = false;
        lines.Rally = false;
        return ClnKind::ControlLine;
    }
    if (fileLines[0] == "2" && fileLines.size() > 8) {
        const Line start = LineFrom(fileLines, 1);
        const Line finish = LineFrom(fileLines, 5);
        if (EndsCoincide(start) || EndsCoincide(finish))
            return ClnKind::None;
        lines.first = start;
        lines.finish = finish;
        lines.controlLineSet = false;
        lines.startLineSet = true;
        lines.finishLineSet = true;
        if (rally == ClnRally::FromFile && fileLines.size() > 9)
            lines.Rally = fileLines[9] == "1";
        return ClnKind::StartFinish;
    }
    return ClnKind::None;
}

std::optional<std::string> FormatClnText(const LineState& lines) {
    std::string text;
    if (lines.controlLineSet) {
        text = "1\r\n";
        AppendLine(text, lines.first);
        return text;
    }
    if (lines.startLineSet && lines.finishLineSet) {
        text = "2\r\n";
        AppendLine(text, lines.first);
        AppendLine(text, lines.finish);
        text += lines.Rally ? "1\r\n" : "0\r\n";
        return text;
    }
    return std::nullopt;
}

ClnReadResult ReadClnFile(const std::filesystem::path& path, LineState& lines, ClnRally rally) {
    ClnReadResult result;
    const TextFileRead file = ReadTextLines(path);
    if (!file.ok) {
        result.error = file.error;
        return result;
    }
    result.ok = true;
    result.kind = ApplyClnLines(file.lines, lines, rally);
    return result;
}

WriteResult WriteClnFile(const std::filesystem::path& path, const LineState& lines) {
    const std::optional<std::string> text = FormatClnText(lines);
    if (!text)
        return {false, "no control line, or start and finish line, is set"};
    return WriteFileAtomically(path, *text);
}

OpenControlLineResult OpenControlLine(Prompter& prompter, LineState& lines, Folders& folders) {
    OpenControlLineResult result;
    FileDialogRequest request;
    request.title = kClnOpenTitle;
    request.filter = kClnFilter;
    request.initialFolder = folders.controlLineFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseOpenFile(request);
    if (!chosen || chosen->empty())
        return result;
    std::filesystem::path path = *chosen;
    path.replace_extension(".cln");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return result;
    folders.controlLineFolder = path.parent_path();
    const ClnReadResult read = ReadClnFile(path, lines, ClnRally::FromFile);
    if (!read.ok) {
        result.error = read.error;
        prompter.Inform(read.error, MessageIcon::Error);
        return result;
    }
    result.opened = true;
    result.kind = read.kind;
    return result;
}

SaveControlLineResult SaveControlLine(Prompter& prompter, const LineState& lines,
                                      const Folders& folders) {
    SaveControlLineResult result;
    if (!FormatClnText(lines))
        return result;
    FileDialogRequest request;
    request.title = kClnSaveTitle;
    request.filter = kClnFilter;
    request.initialFolder = folders.controlLineFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen || chosen->empty())
        return result;
    const std::optional<std::filesystem::path> path = ConfirmSavePath(prompter, *chosen, ".cln");
    if (!path)
        return result;
    const WriteResult written = WriteClnFile(*path, lines);
    if (!written.ok) {
        result.error = written.error;
        prompter.Inform(written.error, MessageIcon::Error);
        return result;
    }
    result.saved = true;
    result.path = *path;
    return result;
}

}  // namespace qv
