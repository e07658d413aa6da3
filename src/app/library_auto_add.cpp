#include "app/library_auto_add.h"

#include "decode/file_kinds.h"

namespace qv {

AutoAddDecision DecideAutoAdd(const Settings& settings, const std::filesystem::path& log) {
    if (!settings.libraryAutoAdd)
        return AutoAddDecision::SettingOff;
    if (log.empty())
        return AutoAddDecision::NoLog;
    if (LogFileKindOf(log) == LogFileKind::Dtb)
        return AutoAddDecision::LapFile;
    return AutoAddDecision::Added;
}

namespace {

AutoAddDecision AddIfDecided(const Settings& settings, const std::filesystem::path& log,
                             const LibraryLogAdder& add) {
    const AutoAddDecision decision = DecideAutoAdd(settings, log);
    if (decision == AutoAddDecision::Added && add)
        add(log);
    return decision;
}

}  // namespace

AutoAddDecision AutoAddOpenedLog(const Settings& settings, const OpenLogOutcome& outcome,
                                 const LibraryLogAdder& add) {
    // A refused file, or one too damaged to decode, is no session.
    if (!outcome.load.proceed)
        return settings.libraryAutoAdd ? AutoAddDecision::NoLog : AutoAddDecision::SettingOff;
    return AddIfDecided(settings, outcome.path, add);
}

AutoAddDecision AutoAddDownloadedLog(const Settings& settings, bool saved,
                                     const std::filesystem::path& savedPath,
                                     const LibraryLogAdder& add) {
    return AddIfDecided(settings, saved ? savedPath : std::filesystem::path(), add);
}

}  // namespace qv
