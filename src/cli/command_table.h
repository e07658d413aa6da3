#pragma once
// A subcommand of the command-line tool and the way every subcommand treats
// help and usage errors, the same in quorvane-cli and its companion.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

struct CliCommand {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    bool lapOptions;  // the usage ends with the lap options
};

bool IsHelpOption(const std::string& arg);

// Runs `command` on the arguments after its name: its usage on standard
// output when they ask for help, its usage after the message of a usage
// error. The exit code.
int RunCommand(const CliCommand& command, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace qv::cli
