#include "cli/companion.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

namespace qv::cli {

namespace fs = std::filesystem;

const char* const kCompanionName = "quorvane-cli-media";

bool IsCompanionCommand(std::string_view command) {
    return command == "report" || command == "video-sync";
}

std::vector<fs::path> CompanionPlaces(const fs::path& self) {
    const fs::path bin = self.parent_path();
    return {bin / kCompanionName,
            (bin / QUORVANE_COMPANION_FROM_BINDIR / kCompanionName).lexically_normal()};
}

int RunInCompanion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& command = args.front();
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        err << "quorvane-cli: " << command << " needs " << kCompanionName
            << ", but where quorvane-cli lies cannot be told: " << ec.message() << "\n";
        return 1;
    }
    const std::vector<fs::path> places = CompanionPlaces(self);
    std::string failure;  // why a companion that is there did not start
    out.flush();
    err.flush();
    for (const fs::path& place : places) {
        std::vector<char*> argv;
        std::string program = place.string();
        argv.push_back(program.data());
        std::vector<std::string> rest = args;
        for (std::string& a : rest)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR && failure.empty())
            failure = program + ": " + std::strerror(error);
    }
    if (!failure.empty()) {
        err << "quorvane-cli: " << command << " cannot start " << failure << "\n";
    } else {
        err << "quorvane-cli: " << command << " needs " << kCompanionName << ", found neither at "
            << places[0].string() << " nor at " << places[1].string() << "\n";
    }
    return 1;
}

}  // namespace qv::cli
