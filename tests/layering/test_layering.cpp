// Reads every quoted #include under src/ and checks it against the allowed
// direction between modules. The table is the one the README's Layout
// section shows; the engine's static libraries link in the same direction.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kBelowPresentation = {"core", "geometry", "decode", "laps", "dynamics"};
const std::set<std::string> kEngine = {"core",     "geometry",     "decode", "laps",
                                       "dynamics", "presentation", "device", "exchange",
                                       "library",  "app"};

std::set<std::string> With(std::set<std::string> modules, const std::set<std::string>& more) {
    modules.insert(more.begin(), more.end());
    return modules;
}

// Module -> the other modules its files may include.
const std::map<std::string, std::set<std::string>>& AllowedIncludes() {
    static const std::map<std::string, std::set<std::string>> table = {
        {"core", {}},
        {"geometry", {"core"}},
        {"decode", {"core", "geometry"}},
        {"laps", {"core", "geometry", "decode"}},
        {"dynamics", {"core", "geometry", "decode", "laps"}},
        {"presentation", kBelowPresentation},
        {"device", kBelowPresentation},
        {"exchange", kBelowPresentation},
        {"library", kBelowPresentation},
        {"video", {"core", "presentation"}},
        {"app", kEngine},
        {"ui", With(kEngine, {"video"})},
        {"cli", kEngine},
    };
    return table;
}

// The companion program's commands, each with the one module beyond the
// engine it needs: the report draws with the window's Qt Gui painter (and
// no more of ui/), video-sync reads a video's motion. The rest of the
// command-line tool links the engine only, so it starts fast.
bool CompanionInclude(const std::string& file, const std::string& target) {
    return (file == "cli/report_command.cpp" && target.rfind("ui/report/", 0) == 0) ||
           (file == "cli/video_sync_command.cpp" && target.rfind("video/", 0) == 0);
}

struct Violation {
    std::string where;  // file:line
    std::string edge;   // from -> to
};

// Every quoted include of the files under `root` whose target module is not
// on the including module's row. A quoted include that names no module, or
// climbs out with "..", is a violation too: it escapes the table.
std::vector<Violation> FindViolations(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<Violation> found;
    const auto& table = AllowedIncludes();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        const fs::path relative = fs::relative(entry.path(), root);
        const std::string from = relative.begin()->string();
        const auto row = table.find(from);
        std::ifstream in(entry.path());
        std::string line;
        for (int lineNo = 1; std::getline(in, line); ++lineNo) {
            std::smatch match;
            if (!std::regex_search(line, match, include))
                continue;
            const std::string target = match[1].str();
            const size_t slash = target.find('/');
            const std::string to = slash == std::string::npos ? "" : target.substr(0, slash);
            const bool escapes = to.empty() || target.find("..") != std::string::npos;
            const bool allowed = row != table.end() && !escapes &&
                                 (to == from || row->second.count(to) > 0 ||
                                  CompanionInclude(relative.generic_string(), target));
            if (!allowed)
                found.push_back({relative.string() + ":" + std::to_string(lineNo),
                                 from + " -> " + (escapes ? target : to)});
        }
    }
    return found;
}

TEST(Layering, EveryIncludeUnderSrcFollowsTheTable) {
    const std::vector<Violation> violations = FindViolations(QUORVANE_SOURCE_DIR "/src");
    for (const Violation& v : violations)
        ADD_FAILURE() << v.where << ": " << v.edge << " is not an allowed include";
    EXPECT_TRUE(violations.empty());
}

TEST(Layering, UpwardSidewaysAndEscapingIncludesAreNamed) {
    const fs::path root = fs::temp_directory_path() / "quorvane_layering_probe";
    fs::remove_all(root);
    const auto write = [&](const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    };
    write("decode/a.cpp", "#include <vector>\n#include \"core/x.h\"\n  # include \"laps/y.h\"\n");
    write("ui/b.h", "#include \"cli/c.h\"\n#include \"video/v.h\"\n");
    write("laps/c.cpp", "#include \"../ui/b.h\"\n#include \"laps/c.h\"\n");
    write("tools/d.cpp", "#include \"core/x.h\"\n");
    write("cli/report_command.cpp",
          "#include \"ui/report/r.h\"\n#include \"video/v.h\"\n#include \"ui/main_window.h\"\n");
    write("cli/laps_command.cpp", "#include \"ui/report/r.h\"\n#include \"video/v.h\"\n");
    write("cli/video_sync_command.cpp", "#include \"video/v.h\"\n#include \"app/a.h\"\n");

    std::set<std::string> named;
    for (const Violation& v : FindViolations(root))
        named.insert(v.where + " " + v.edge);
    fs::remove_all(root);
    EXPECT_EQ(named,
              (std::set<std::string>{
                  "decode/a.cpp:3 decode -> laps", "ui/b.h:1 ui -> cli",
                  "laps/c.cpp:1 laps -> ../ui/b.h", "tools/d.cpp:1 tools -> core",
                  "cli/report_command.cpp:2 cli -> video", "cli/report_command.cpp:3 cli -> ui",
                  "cli/laps_command.cpp:1 cli -> ui", "cli/laps_command.cpp:2 cli -> video"}));
}

}  // namespace
