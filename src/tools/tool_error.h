// Failures of lumiro-db that are not the engine's own: bad command lines, bad layout or TSV
// files. The message is for the user, in Polish.
#pragma once

#include <stdexcept>
#include <string>

namespace lumiro::tools {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a file, its data or a check failed
constexpr int kExitUsage = 2;    // the command line itself is wrong

class ToolError : public std::runtime_error {
  public:
    explicit ToolError(const std::string& message, int exitCode = kExitFailure)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const noexcept { return exitCode_; }

  private:
    int exitCode_;
};

}  // namespace lumiro::tools
