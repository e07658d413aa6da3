#include "laps/log_block_track_map.h"

#include <filesystem>

#include "geometry/pth_file.h"

namespace qv {

OpenTrackMapResult SpeedButtonLdCourseClick(Prompter& prompter, TrackMapStore& trackMap,
                                            Folders& folders) {
    OpenTrackMapResult result;
    FileDialogRequest request;
    request.title = kTrackMapOpenTitle;
    request.filter = kPthFilter;
    request.initialFolder = folders.trackMapFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseOpenFile(request);
    if (!chosen || chosen->empty())
        return result;
    std::filesystem::path path = *chosen;
    path.replace_extension(".pth");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return result;
    const PthReadResult read = ReadPthFile(path, trackMap);
    if (!read.ok) {
        result.error = read.error;
        prompter.Inform(read.error, MessageIcon::Error);
        return result;
    }
    folders.trackMapFolder = path.parent_path();
    result.opened = true;
    return result;
}

}  // namespace qv
