// quorvane-cli-media: the commands of quorvane-cli that draw with Qt Gui or
// read video through FFmpeg. quorvane-cli starts it in its own place, so its
// messages speak as quorvane-cli.
#include <iostream>
#include <string>
#include <vector>

#include "app/memory_policy.h"
#include "cli/command_table.h"
#include "cli/report_command.h"
#include "cli/video_sync_command.h"

int main(int argc, char** argv) {
    qv::KeepFreedMemory();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    static const qv::cli::CliCommand kCommands[] = {
        {"report", qv::cli::kReportUsage, qv::cli::RunReport, true},
        {"video-sync", qv::cli::kVideoSyncUsage, qv::cli::RunVideoSync, true}};
    for (const qv::cli::CliCommand& command : kCommands) {
        if (!args.empty() && args[0] == command.name) {
            return qv::cli::RunCommand(command, {args.begin() + 1, args.end()}, std::cout,
                                       std::cerr);
        }
    }
    std::cerr
        << "usage: quorvane-cli-media report|video-sync ...\n"
           "Runs these commands for quorvane-cli; `quorvane-cli COMMAND --help` tells more.\n";
    return 2;
}
