#include "laps/circuit_index.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/local_time.h"
#include "core/text_file.h"
#include "core/text_utils.h"
#include "geometry/plane.h"
#include "geometry/pth_file.h"
#include "geometry/sci_file.h"
#include "laps/cln_file.h"

namespace qv {
namespace {

// The extension as the index compares it: from the last '.' of the name,
// so that ".pth" alone counts too.
std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = name.substr(dot);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

std::string NameWithoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void Walk(const std::filesystem::path& folder, const std::string& extension,
          std::vector<std::filesystem::path>& found) {
    std::error_code ec;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator
             it(folder, std::filesystem::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    for (const std::filesystem::directory_entry& entry : entries) {
        std::error_code entryEc;
        if (!entry.is_symlink(entryEc) && entry.is_directory(entryEc)) {
            Walk(entry.path(), extension, found);
        } else if (entry.is_regular_file(entryEc) &&
                   LowerExtension(entry.path().filename().string()) == extension) {
            found.push_back(entry.path());
        }
    }
}

// Exchange sort, as the order of equal entries must not depend on a
// library's sort: nearest first, then the newest.
void OrderCandidates(std::vector<TSelCirDat>& list) {
    for (size_t a = 0; a < list.size(); ++a) {
        for (size_t b = a + 1; b < list.size(); ++b) {
            const bool swap =
                list[a].Gap > list[b].Gap ||
                (list[a].Gap == list[b].Gap && list[a].FileCreationTime < list[b].FileCreationTime);
            if (swap)
                std::swap(list[a], list[b]);
        }
    }
}

bool IsTicked(const LogStore& log, const TLogItem& fix) {
    return fix.Act && fix.BlkIdx >= 0 && fix.BlkIdx < log.LogBlockNum() &&
           log.LogBlocks[static_cast<size_t>(fix.BlkIdx)].Act;
}

// The candidate at `choice` of `list`, when there is one.
const TPthClnDat* Chosen(const std::optional<int>& choice, const std::vector<TSelCirDat>& list,
                         const std::vector<TPthClnDat>& index) {
    if (!choice || *choice < 0 || static_cast<size_t>(*choice) >= list.size())
        return nullptr;
    const int32_t n = list[static_cast<size_t>(*choice)].NofArray;
    if (n < 0 || static_cast<size_t>(n) >= index.size())
        return nullptr;
    return &index[static_cast<size_t>(n)];
}

void LoadChosen(LapSession& session, const CircuitIndex& index, const CircuitCandidates& candidates,
                const CircuitChoice& choice, SelCircuitResult& result) {
    if (const TPthClnDat* f = Chosen(choice.trackMap, candidates.trackMaps, index.trackMaps)) {
        result.trackMapLoaded =
            LoadTrackMapCandidate(f->FilePath, session.trackMap, session.folders);
    }
    if (const TPthClnDat* f =
            Chosen(choice.controlLine, candidates.controlLines, index.controlLines)) {
        const ClnReadResult read =
            LoadControlLineCandidate(f->FilePath, session.lines, session.folders);
        result.controlLineLoaded = read.ok && read.kind != ClnKind::None;
    }
    if (const TPthClnDat* f =
            Chosen(choice.sectorGates, candidates.sectorGates, index.sectorGates)) {
        result.sectorGatesLoaded = LoadSectorCandidate(f->FilePath, session.gates, session.folders);
    }
}

std::vector<TSelCirDat>& ListOf(CircuitCandidates& candidates, CircuitFileKind kind) {
    switch (kind) {
        case CircuitFileKind::TrackMap:
            return candidates.trackMaps;
        case CircuitFileKind::ControlLine:
            return candidates.controlLines;
        case CircuitFileKind::SectorGates:
            break;
    }
    return candidates.sectorGates;
}

std::optional<int> PickOf(const CircuitChoice& choice, CircuitFileKind kind) {
    switch (kind) {
        case CircuitFileKind::TrackMap:
            return choice.trackMap;
        case CircuitFileKind::ControlLine:
            return choice.controlLine;
        case CircuitFileKind::SectorGates:
            break;
    }
    return choice.sectorGates;
}

}  // namespace

const char* CircuitFileExtension(CircuitFileKind kind) {
    switch (kind) {
        case CircuitFileKind::TrackMap:
            return ".pth";
        case CircuitFileKind::ControlLine:
            return ".cln";
        case CircuitFileKind::SectorGates:
            return ".sci";
    }
    return "";
}

LinePoint RepresentativePoint(CircuitFileKind kind, const std::vector<std::string>& lines) {
    LinePoint point;
    if (kind == CircuitFileKind::ControlLine) {
        if (lines.size() > 2) {
            point.lat = TextToFloat(lines[1]);
            point.lon = TextToFloat(lines[2]);
        }
        return point;
    }
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        fields.clear();
        SplitAtChar(fields, line, ',');
        if (fields.size() < 2)
            continue;
        // A sector file starts its lines with the latitude, a track map
        // with the longitude.
        const bool latFirst = kind == CircuitFileKind::SectorGates;
        point.lat = TextToFloat(fields[latFirst ? 0 : 1]);
        point.lon = TextToFloat(fields[latFirst ? 1 : 0]);
        return point;
    }
    return point;
}

std::optional<TDateTime> FileCreationTimeOf(const std::filesystem::path& path,
                                            TDateTime localTimeBase) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
        if (sx.stx_mask & STATX_BTIME) {
            return LoggerTimeToLocal(
                static_cast<double>(sx.stx_btime.tv_sec) + sx.stx_btime.tv_nsec / 1e9,
                localTimeBase);
        }
        if (sx.stx_mask & STATX_MTIME) {
            return LoggerTimeToLocal(
                static_cast<double>(sx.stx_mtime.tv_sec) + sx.stx_mtime.tv_nsec / 1e9,
                localTimeBase);
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return LoggerTimeToLocal(static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9,
                                 localTimeBase);
    }
    return std::nullopt;
}

std::vector<TPthClnDat> BuildCircuitIndex(const std::filesystem::path& folder, CircuitFileKind kind,
                                          TDateTime localTimeBase, TDateTime now) {
    std::vector<std::filesystem::path> found;
    if (!folder.empty())
        Walk(folder, CircuitFileExtension(kind), found);
    std::vector<TPthClnDat> index;
    index.reserve(found.size());
    for (const std::filesystem::path& path : found) {
        TPthClnDat entry;
        entry.FilePath = path.string();
        entry.FileName = NameWithoutExtension(path.filename().string());
        entry.FileCreationTime = FileCreationTimeOf(path, localTimeBase).value_or(now);
        const TextFileRead file = ReadTextLines(path);
        if (file.ok) {
            const LinePoint point = RepresentativePoint(kind, file.lines);
            entry.ido = point.lat;
            entry.kdo = point.lon;
        }
        index.push_back(std::move(entry));
    }
    return index;
}

CircuitIndex BuildCircuitIndexes(const Folders& folders, TDateTime localTimeBase, TDateTime now) {
    CircuitIndex index;
    index.trackMaps =
        BuildCircuitIndex(folders.trackMapFolder, CircuitFileKind::TrackMap, localTimeBase, now);
    index.controlLines = BuildCircuitIndex(folders.controlLineFolder, CircuitFileKind::ControlLine,
                                           localTimeBase, now);
    index.sectorGates =
        BuildCircuitIndex(folders.sectorFolder, CircuitFileKind::SectorGates, localTimeBase, now);
    return index;
}

void MeasureGaps(std::vector<TPthClnDat>& index, Float80 refLon, Float80 refLat) {
    const Float80 refLatRad = refLat / 180 * kPi;
    for (TPthClnDat& entry : index) {
        const Float80 dLat = (refLat - entry.ido) / 180 * kPi;
        const Float80 dLon = (refLon - entry.kdo) / 180 * kPi;
        const Float80 x = std::cos(refLatRad) * EarthRadius * dLon;
        const Float80 y = EarthRadius * dLat;
        entry.Gap = std::sqrt(x * x + y * y) / 1000;
    }
}

std::vector<TSelCirDat> SelectCandidates(const std::vector<TPthClnDat>& index, Float80 limitKm) {
    std::vector<TSelCirDat> list;
    for (size_t i = 0; i < index.size(); ++i) {
        const TPthClnDat& entry = index[i];
        if (!(entry.Gap <= limitKm))
            continue;
        TSelCirDat candidate;
        candidate.Gap = entry.Gap;
        candidate.FileCreationTime = entry.FileCreationTime;
        candidate.NofArray = static_cast<int32_t>(i);
        candidate.Name = entry.FileName;
        list.push_back(std::move(candidate));
    }
    OrderCandidates(list);
    return list;
}

CircuitCandidates SearchCandidates(CircuitIndex& index, Float80 refLon, Float80 refLat,
                                   Float80 limitKm) {
    MeasureGaps(index.trackMaps, refLon, refLat);
    MeasureGaps(index.controlLines, refLon, refLat);
    MeasureGaps(index.sectorGates, refLon, refLat);
    CircuitCandidates candidates;
    candidates.trackMaps = SelectCandidates(index.trackMaps, limitKm);
    candidates.controlLines = SelectCandidates(index.controlLines, limitKm);
    candidates.sectorGates = SelectCandidates(index.sectorGates, limitKm);
    return candidates;
}

std::vector<std::string> CandidateItems(const std::vector<TSelCirDat>& candidates) {
    std::vector<std::string> items;
    items.reserve(candidates.size() + 1);
    for (const TSelCirDat& c : candidates)
        items.push_back(c.Name);
    items.emplace_back(kCircuitNoneItem);
    return items;
}

std::optional<LinePoint> LogReferencePoint(const LogStore& log) {
    const int count = std::clamp(log.LogItemNum, 0, static_cast<int>(log.LogItems.size()));
    int first = -1;
    int last = -1;
    for (int i = 0; i < count; ++i) {
        if (IsTicked(log, log.LogItems[static_cast<size_t>(i)])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0 || first == last)
        return std::nullopt;
    const int32_t block = log.LogItems[static_cast<size_t>(last)].BlkIdx;
    int start = last;
    while (start > first && log.LogItems[static_cast<size_t>(start - 1)].BlkIdx == block)
        --start;
    const TLogItem& fix = log.LogItems[static_cast<size_t>(start)];
    return LinePoint{fix.Ido, fix.Kdo};
}

bool LoadTrackMapCandidate(const std::filesystem::path& path, TrackMapStore& trackMap,
                           Folders& folders) {
    if (!ReadPthFile(path, trackMap).ok)
        return false;
    folders.trackMapFolder = path.parent_path();
    return true;
}

ClnReadResult LoadControlLineCandidate(const std::filesystem::path& path, LineState& lines,
                                       Folders& folders) {
    const ClnReadResult read = ReadClnFile(path, lines, ClnRally::Ignored);
    if (read.ok)
        folders.controlLineFolder = path.parent_path();
    return read;
}

bool LoadSectorCandidate(const std::filesystem::path& path, GateTable& gates, Folders& folders) {
    if (!ReadSectFile(path, gates).ok)
        return false;
    folders.sectorFolder = path.parent_path();
    return true;
}

NearbyChoice ChooseNearbyFile(std::vector<TPthClnDat>& index, CircuitFileKind kind, Float80 lon,
                              Float80 lat, CircuitChooser& chooser) {
    MeasureGaps(index, lon, lat);
    CircuitCandidates candidates;
    std::vector<TSelCirDat>& list = ListOf(candidates, kind);
    list = SelectCandidates(index, kCircuitSearchKm);
    NearbyChoice result;
    if (list.empty())
        return result;
    int chosen = 0;
    if (list.size() > 1) {
        const std::optional<CircuitChoice> choice = chooser.Choose(candidates);
        const std::optional<int> picked = choice ? PickOf(*choice, kind) : std::nullopt;
        result.outcome = NearbyOutcome::Cancelled;
        if (!picked || *picked < 0 || *picked >= static_cast<int>(list.size()))
            return result;
        chosen = *picked;
    }
    result.outcome = NearbyOutcome::Missing;
    const int entry = list[static_cast<size_t>(chosen)].NofArray;
    if (entry < 0 || entry >= static_cast<int>(index.size()))
        return result;
    result.path = index[static_cast<size_t>(entry)].FilePath;
    std::error_code ec;
    if (std::filesystem::is_regular_file(result.path, ec))
        result.outcome = NearbyOutcome::Chosen;
    return result;
}

CircuitChoice FirstCandidates(const CircuitCandidates& candidates) {
    CircuitChoice choice;
    if (!candidates.trackMaps.empty())
        choice.trackMap = 0;
    if (!candidates.controlLines.empty())
        choice.controlLine = 0;
    if (!candidates.sectorGates.empty())
        choice.sectorGates = 0;
    return choice;
}

SelCircuitResult ReqSelCircuit(LapSession& session, CircuitIndex& index,
                               CircuitCandidates& candidates, Prompter& prompter,
                               CircuitChooser& chooser, bool manual) {
    SelCircuitResult result;
    const LineState& lines = session.lines;
    const bool somethingSet = session.trackMap.TrackMapNum() > 0 || lines.controlLineSet ||
                              lines.startLineSet || lines.finishLineSet;
    if (!manual && somethingSet)
        return result;

    const std::optional<LinePoint> reference = LogReferencePoint(session.log);
    if (!reference) {
        result.outcome = SelCircuitOutcome::NoReferencePoint;
        return result;
    }
    candidates = SearchCandidates(index, reference->lon, reference->lat, kCircuitSearchKm);

    const bool anyNear = !candidates.trackMaps.empty() || !candidates.controlLines.empty();
    if (!anyNear) {
        if (manual)
            prompter.Inform(kMsgCircuitNotFound, MessageIcon::Information);
        result.outcome = SelCircuitOutcome::NotFound;
        return result;
    }
    const bool ambiguous = candidates.trackMaps.size() > 1 || candidates.controlLines.size() > 1 ||
                           candidates.sectorGates.size() > 1;
    CircuitChoice choice;
    if (manual || ambiguous) {
        result.dialogShown = true;
        const std::optional<CircuitChoice> chosen = chooser.Choose(candidates);
        if (!chosen) {
            result.outcome = SelCircuitOutcome::Cancelled;
            return result;
        }
        choice = *chosen;
    } else {
        choice = FirstCandidates(candidates);
    }
    LoadChosen(session, index, candidates, choice, result);
    result.outcome = SelCircuitOutcome::Done;
    return result;
}

}  // namespace qv
