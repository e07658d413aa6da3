#include "laps/track_map_commands.h"

#include <filesystem>

#include "core/atomic_file.h"
#include "core/display_format.h"
#include "core/save_path.h"
#include "geometry/plane.h"
#include "geometry/pth_file.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

FileDialogRequest TrackMapDialog(const char* title, const Folders& folders) {
    FileDialogRequest request;
    request.title = title;
    request.filter = kTrackMapFilter;
    request.initialFolder = folders.trackMapFolder.string();
    return request;
}

// The save dialog, the extension and the replace question; the folder of
// the chosen file is remembered.
std::optional<fs::path> ChooseTrackMapFile(const char* title, Folders& folders,
                                           Prompter& prompter) {
    const std::optional<std::string> chosen =
        prompter.ChooseSaveFile(TrackMapDialog(title, folders));
    if (!chosen)
        return std::nullopt;
    std::optional<fs::path> path = ConfirmSavePath(prompter, *chosen, kTrackMapExtension);
    if (path)
        folders.trackMapFolder = path->parent_path();
    return path;
}

void AppendBlock(std::string& text, const TLapDtRec& lap) {
    text += "<path>\r\n";
    auto point = [&text](const TLapElmRec& e) {
        text += StrFormat("%.6f,%.6f", static_cast<double>(e.Kdo), static_cast<double>(e.Ido));
        text += "\r\n";
    };
    for (const TLapElmRec& e : lap.Elm)
        point(e);
    if (!lap.Elm.empty())
        point(lap.Elm.front());
    text += "</path>\r\n";
}

}  // namespace

bool OpenTrackMap(TrackMapStore& trackMap, Folders& folders, Prompter& prompter) {
    const std::optional<std::string> chosen =
        prompter.ChooseOpenFile(TrackMapDialog(kOpenTrackMapTitle, folders));
    if (!chosen)
        return false;
    fs::path path(*chosen);
    path.replace_extension(kTrackMapExtension);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    const PthReadResult read = ReadPthFile(path, trackMap);
    if (!read.ok) {
        prompter.Inform(read.error, MessageIcon::Error);
        return false;
    }
    folders.trackMapFolder = path.parent_path();
    return true;
}

WriteResult SaveTrackMap(const TrackMapStore& trackMap, Folders& folders, Prompter& prompter) {
    if (trackMap.TrackMapNum() == 0)
        return {};
    const std::optional<fs::path> path = ChooseTrackMapFile(kSaveTrackMapTitle, folders, prompter);
    if (!path)
        return {};
    return WritePthFile(*path, trackMap);
}

std::string GeneratedTrackMapText(const TLapDtRec& red, const TLapDtRec& blue) {
    std::string text;
    AppendBlock(text, red);
    AppendBlock(text, blue);
    return text;
}

WriteResult GenerateTrackMap(const std::vector<TLapDtRec>& slots, Folders& folders,
                             Prompter& prompter) {
    if (slots.size() < 2)
        return {};
    if (!prompter.AskYesCancel(kGenerateTrackMapQuestion, MessageIcon::Confirmation))
        return {};
    const std::optional<fs::path> path =
        ChooseTrackMapFile(kGenerateTrackMapTitle, folders, prompter);
    if (!path)
        return {};
    return WriteFileAtomically(*path, GeneratedTrackMapText(slots[0], slots[1]));
}

bool NudgeTrackMap(TrackMapStore& trackMap, NudgeDirection direction, Float80 centreLat) {
    if (trackMap.TrackMapNum() == 0)
        return false;
    const Float80 lat = MToLatDeg(kTrackMapNudgeM);
    const Float80 lon = MToLonDeg(kTrackMapNudgeM, centreLat);
    for (TPathRec& path : trackMap.TrackMap) {
        for (TPathElmRec& p : path.Elm) {
            switch (direction) {
                case NudgeDirection::North:
                    p.Ido += lat;
                    break;
                case NudgeDirection::South:
                    p.Ido -= lat;
                    break;
                case NudgeDirection::East:
                    p.Kdo += lon;
                    break;
                case NudgeDirection::West:
                    p.Kdo -= lon;
                    break;
            }
        }
    }
    return true;
}

bool RemoveTrackMap(TrackMapStore& trackMap) {
    if (trackMap.TrackMapNum() == 0)
        return false;
    trackMap.TrackMap.clear();
    return true;
}

bool FindTrackMap(const std::vector<TLapDtRec>& slots, std::vector<TPthClnDat>& trackMapIndex,
                  TrackMapStore& trackMap, Folders& folders, Prompter& prompter,
                  CircuitChooser& chooser) {
    if (slots.empty() || slots.front().Elm.empty())
        return false;
    const TLapElmRec& start = slots.front().Elm.front();
    const NearbyChoice nearby =
        ChooseNearbyFile(trackMapIndex, CircuitFileKind::TrackMap, start.Kdo, start.Ido, chooser);
    if (nearby.outcome == NearbyOutcome::NotFound)
        prompter.Inform(kMsgCircuitNotFound, MessageIcon::Information);
    return nearby.outcome == NearbyOutcome::Chosen &&
           LoadTrackMapCandidate(nearby.path, trackMap, folders);
}

}  // namespace qv
