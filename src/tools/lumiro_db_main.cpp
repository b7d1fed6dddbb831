#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    // dump writes line after line; stdio's per-call locking would dominate its time.
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return lumiro::tools::runTool(args, std::cout, std::cerr);
}
