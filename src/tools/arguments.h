// The command line of lumiro-db: which command, on which files.
#pragma once

#include <string>
#include <vector>

namespace lumiro::tools {

enum class Command { Help, Schema, Dump, Create, Load, Check, Reindex };

struct Invocation {
    Command command = Command::Help;
    std::vector<std::string> operands;  // the files, in the order the command takes them
};

// `args` excludes the program name. Throws ToolError(kExitUsage) for an unknown command or
// a wrong number of files.
Invocation parseArguments(const std::vector<std::string>& args);

// Usage text in Polish, ending with a line feed.
std::string usageText();

}  // namespace lumiro::tools
