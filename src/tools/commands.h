// The commands of lumiro-db. Each writes its result to `out` and returns the exit code;
// failures are thrown (ToolError, EngineError) and reported by runTool.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace lumiro::tools {

int runSchema(const std::string& table, std::ostream& out);
int runDump(const std::string& table, std::ostream& out);
int runCreate(const std::string& table, const std::string& layoutFile, std::ostream& out);
// Flushes `out` after every "ok N": a line read by another program means a durable row.
int runLoad(const std::string& table, const std::string& tsvFile, std::ostream& out);
int runCheck(const std::string& table, std::ostream& out);
int runReindex(const std::string& table, const std::string* layoutFile, std::ostream& out);

// The whole program: parses `args` (without the program name), runs the command, writes
// every failure to `err` in Polish and returns the exit code.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Reads a whole file; throws ToolError naming it.
std::string readWholeFile(const std::string& path);

}  // namespace lumiro::tools
