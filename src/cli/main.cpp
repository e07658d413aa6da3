#include <iostream>
#include <string>
#include <vector>

#include "app/memory_policy.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    qv::KeepFreedMemory();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return qv::cli::Run(args, std::cout, std::cerr);
}
