#include "cli/command_table.h"

#include <algorithm>
#include <ostream>

#include "cli/lap_options.h"

namespace qv::cli {

bool IsHelpOption(const std::string& arg) {
    return arg == "-h" || arg == "--help";
}

int RunCommand(const CliCommand& command, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
    const std::string usage =
        std::string(command.usage) + (command.lapOptions ? kLapOptionsHelp : "");
    if (std::any_of(args.begin(), args.end(), IsHelpOption)) {
        out << usage;
        return 0;
    }
    const int code = command.run(args, out, err);
    if (code == 2)
        err << usage;
    return code;
}

}  // namespace qv::cli
