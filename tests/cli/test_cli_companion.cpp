// report and video-sync run in quorvane-cli-media, which quorvane-cli finds
// beside itself or in the installed libexec folder; the tool itself loads
// neither Qt nor FFmpeg.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/cli_process.h"
#include "support/shell_output.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const fs::path kCompanion = fs::path(test::CliPath()).parent_path() / "quorvane-cli-media";

// A lone copy of the tool at ROOT/bin, as a prefix it was installed under.
struct Prefix {
    test::TempDir root;
    fs::path cli = root / "bin/quorvane-cli";
    fs::path beside = root / "bin/quorvane-cli-media";
    fs::path libexec = root / "libexec/quorvane/quorvane-cli-media";

    Prefix() {
        fs::create_directories(cli.parent_path());
        fs::copy_file(test::CliPath(), cli);
    }
};

TEST(CliCompanion, OnlyTheCompanionLoadsQtAndFfmpeg) {
    const std::string cli = test::ShellOutput("ldd '" + test::CliPath() + "'");
    const std::string media = test::ShellOutput("ldd '" + kCompanion.string() + "'");
    ASSERT_NE(cli.find("libc.so"), std::string::npos) << cli;
    for (const char* library : {"libQt6Gui", "libQt6Core", "libavformat", "libavcodec"}) {
        EXPECT_EQ(cli.find(library), std::string::npos) << library;
        EXPECT_NE(media.find(library), std::string::npos) << library;
    }
}

TEST(CliCompanion, TheCommandsAnswerAsTheToolThroughTheCompanion) {
    struct Case {
        std::string args;
        int status;
        std::string outStart;
        std::string errStart;
    };
    const Case cases[] = {
        {"report --help", 0, "usage: quorvane-cli report LAP...", ""},
        {"video-sync -h", 0, "usage: quorvane-cli video-sync VIDEO", ""},
        {"report -o", 2, "", "quorvane-cli: -o needs a value\nusage: quorvane-cli report "},
        {"video-sync a b", 2, "",
         "quorvane-cli: video-sync takes VIDEO, LOG and a lap number from 0\n"
         "usage: quorvane-cli video-sync "},
        {"video-sync /no/such.mp4 log.bnx4 0", 1, "",
         "quorvane-cli: /no/such.mp4: no such video\n"},
    };
    for (const Case& c : cases) {
        const test::CliOutput viaTool = test::RunCliProcess(c.args);
        EXPECT_EQ(viaTool.status, c.status) << c.args << "\n" << viaTool.err;
        EXPECT_EQ(viaTool.out.rfind(c.outStart, 0), 0u) << c.args << "\n" << viaTool.out;
        EXPECT_EQ(viaTool.err.rfind(c.errStart, 0), 0u) << c.args << "\n" << viaTool.err;
        EXPECT_EQ(viaTool.out.empty(), c.outStart.empty()) << c.args;
        // The companion run by hand says the same, byte for byte.
        const test::CliOutput direct = test::RunProgramProcess(kCompanion.string(), c.args);
        EXPECT_EQ(direct.status, viaTool.status) << c.args;
        EXPECT_EQ(direct.out, viaTool.out) << c.args;
        EXPECT_EQ(direct.err, viaTool.err) << c.args;
    }
}

TEST(CliCompanion, TheInstalledToolFindsItInLibexec) {
    Prefix prefix;
    fs::create_directories(prefix.libexec.parent_path());
    fs::create_symlink(kCompanion, prefix.libexec);
    const test::CliOutput help = test::RunProgramProcess(prefix.cli.string(), "report --help");
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out, test::RunCliProcess("report --help").out);
    // The exit status of a usage error comes through.
    const test::CliOutput usage = test::RunProgramProcess(prefix.cli.string(), "video-sync");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err.rfind("quorvane-cli: video-sync takes VIDEO", 0), 0u) << usage.err;
}

TEST(CliCompanion, AMissingOrBrokenCompanionIsNamedInOneLine) {
    struct Case {
        const char* name;
        const char* content;  // of the file beside the tool; null: none
        fs::perms perms;
        std::string (*message)(const Prefix&);
    };
    const Case cases[] = {
        {"missing", nullptr, fs::perms::none,
         [](const Prefix& p) {
             return "quorvane-cli: report needs quorvane-cli-media, found neither at " +
                    p.beside.string() + " nor at " + p.libexec.string() + "\n";
         }},
        {"not executable",
         "\x7f"
         "ELF",
         fs::perms::owner_read | fs::perms::owner_write,
         [](const Prefix& p) {
             return "quorvane-cli: report cannot start " + p.beside.string() + ": " +
                    std::strerror(EACCES) + "\n";
         }},
        {"not a program", "no program at all\n", fs::perms::owner_all,
         [](const Prefix& p) {
             return "quorvane-cli: report cannot start " + p.beside.string() + ": " +
                    std::strerror(ENOEXEC) + "\n";
         }},
    };
    for (const Case& c : cases) {
        Prefix prefix;
        if (c.content != nullptr) {
            test::WriteText(prefix.beside, c.content);
            fs::permissions(prefix.beside, c.perms);
        }
        const test::CliOutput r =
            test::RunProgramProcess(prefix.cli.string(), "report x.bnx4:0 -o x.pdf");
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, c.message(prefix)) << c.name;
        // The commands of the tool itself still run.
        EXPECT_EQ(test::RunProgramProcess(prefix.cli.string(), "--version").status, 0) << c.name;
    }
}

}  // namespace
}  // namespace qv
