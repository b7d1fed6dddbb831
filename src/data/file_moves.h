// A set of file moves that must happen together: restoring the data from the archive puts the
// restored files in place of the live ones, and an archive puts its new files in place of the
// previous ones. The planned moves are written to a record file before the first one; a crash
// at any instant is then completed by doing the moves not yet done (a move is done when its
// target is there). The restore's record lives beside the company table, where a start finds
// it before opening anything; an archive's lies in the archive folder.
//
// The record is UTF-8 text, one move a line, source and target separated by a tab. A line that
// begins with '#' is a note: "#ODLOZONE\t<folder>" names the folder the replaced files go to,
// "#ROBOCZY\t<folder>" a working folder of the program's own, removed once every move is made.
//
// The program's own working folders carry a marker file; only such a folder is ever removed
// with what it holds, and a symbolic link met inside it is removed as a link, never followed.
#pragma once

#include <optional>
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

struct MovesFolders {
    std::string aside;               // where the replaced files go (told to the user)
    std::vector<std::string> owned;  // working folders removed once every move is made
};

// Name of the restore's record file in the program's folder.
inline constexpr const char* kMovesRecordName = "ODTWARZANIE.PLN";

// Writes the record, makes the moves in order (creating the targets' folders), makes them
// durable with one sync per folder, removes the record and then the owned folders. When a move fails the ones made are undone in reverse
// order and the error thrown; when undoing fails too, the record stays and the next start
// completes the moves.
void moveFilesTogether(engine::Env& env, const std::string& record,
                       const std::vector<FileMove>& moves, const MovesFolders& folders = {});

// Completes the moves of a record left by a crash, then removes it and the owned folders it
// names. False when there was no record. Throws EngineError when a move cannot be made; the
// record then stays.
bool completeFileMoves(engine::Env& env, const std::string& record);

// The folder a record says the replaced files went to, when it says so.
std::optional<std::string> recordedAsideFolder(engine::Env& env, const std::string& record);

// Creates a working folder of the program's own (and the folders above it that are missing)
// with its marker, durably. Throws EngineError(AlreadyExists) naming it when something of that
// name is there already.
void createOwnFolder(engine::Env& env, const std::string& folder);
// True for a real folder (not a link) that carries the program's marker.
bool isOwnFolder(engine::Env& env, const std::string& folder);
// Removes a working folder of the program's own with everything in it; nothing there is no
// error. Anything else of that name stays: an empty folder quietly (createOwnFolder takes it
// over), anything else with EngineError(AlreadyExists) naming it.
void removeOwnFolder(engine::Env& env, const std::string& folder);

}  // namespace lumiro::data
