#include "geometry/pth_file.h"

#include "core/text_file.h"
#include "core/text_utils.h"

namespace qv {

void ParsePthLines(const std::vector<std::string>& lines, TrackMapStore& store) {
    store.TrackMap.clear();
    bool inside = false;
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        if (!inside) {
            if (line == kPthOpenTag) {
                store.TrackMap.emplace_back();
                inside = true;
            }
            continue;
        }
        if (line == kPthCloseTag) {
            inside = false;
            continue;
        }
        fields.clear();
        SplitAtChar(fields, line, ',');
        if (fields.size() < 2)
            continue;
        TPathElmRec point;
        point.Kdo = TextToFloat(fields[0]);
        point.Ido = TextToFloat(fields[1]);
        store.TrackMap.back().Elm.push_back(point);
    }
}

std::string FormatPthText(const TrackMapStore& store) {
    std::string text;
    for (const TPathRec& path : store.TrackMap) {
        text += kPthOpenTag;
        text += "\r\n";
        for (const TPathElmRec& point : path.Elm) {
            text += FormatFixed6(point.Kdo);
            text += ',';
            text += FormatFixed6(point.Ido);
            text += "\r\n";
        }
        text += kPthCloseTag;
        text += "\r\n";
    }
    return text;
}

PthReadResult ReadPthFile(const std::filesystem::path& path, TrackMapStore& store) {
    PthReadResult result;
    const TextFileRead file = ReadTextLines(path);
    if (!file.ok) {
        result.error = file.error;
        return result;
    }
    ParsePthLines(file.lines, store);
    result.ok = true;
    return result;
}

WriteResult WritePthFile(const std::filesystem::path& path, const TrackMapStore& store) {
    return WriteFileAtomically(path, FormatPthText(store));
}

}  // namespace qv
