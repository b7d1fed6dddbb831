// A set of file moves that must happen together: restoring the data from the archive puts the
// restored files in place of the live ones. The planned moves are written to a record file
// before the first one; a crash at any instant is then completed at the next start by doing
// the moves not yet done (a move is done when its source is gone and its target is there).
// The record lives beside the company table, where a start finds it before opening anything.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/env.h"

namespace lumiro::data {

struct FileMove {
    std::string from;
    std::string to;
    friend bool operator==(const FileMove&, const FileMove&) = default;
};

// Name of the record file in the program's folder.
inline constexpr const char* kMovesRecordName = "ODTWARZANIE.PLN";

// Writes the record, makes the moves in order (creating the targets' folders) and removes the
// record. When a move fails the ones made are undone in reverse order and the error thrown;
// when undoing fails too, the record stays and the next start completes the moves.
void moveFilesTogether(engine::Env& env, const std::string& record,
                       const std::vector<FileMove>& moves);

// At start: completes the moves of a record left by a crash, then removes it. False when there
// was no record.
bool completeFileMoves(engine::Env& env, const std::string& record);

// Removes a folder with everything in it; a missing folder is no error.
void removeTree(engine::Env& env, const std::string& folder);

}  // namespace lumiro::data
