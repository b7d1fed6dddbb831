// Errors raised by the table engine. Every message is written for the user, in Polish (UTF-8).
#pragma once

#include <stdexcept>
#include <string>

namespace lumiro::engine {

enum class ErrorCode {
    Io,               // the operating system refused a read, write, sync or rename
    DiskFull,         // no space left on the device
    NotFound,         // table or file does not exist
    AlreadyExists,    // create over an existing table
    Locked,           // another program holds the table
    ReadOnly,         // the table or its files are read-only
    Corrupt,          // the data file or a companion file is damaged
    MissingIndex,     // a companion index file is missing
    StaleIndex,       // a companion index file does not match the data file
    KeyViolation,     // duplicate primary key
    InvalidArgument,  // unknown column, index, bad definition
    InvalidState,     // operation not allowed in the cursor's state
    Conversion,       // a text could not be turned into the column's value
    Unsupported,      // a feature of the format this engine does not write
    RecordChanged,    // the record was removed or changed by another program
};

class EngineError : public std::runtime_error {
public:
    EngineError(ErrorCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

[[noreturn]] inline void fail(ErrorCode code, const std::string& message) {
    throw EngineError(code, message);
}

}  // namespace lumiro::engine
