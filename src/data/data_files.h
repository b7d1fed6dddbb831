// The data module's own files beside the tables (structure descriptions, the note of a card
// being deleted) go through the session's Env, as the tables do, so that a test can make them
// fail or cut the power under them like any table file.
#pragma once

#include <QByteArray>

#include <optional>
#include <string>

#include "engine/env.h"
#include "engine/session.h"

namespace lumiro::data {

// Gives the file `bytes` as its content so that a crash at any instant leaves the old content
// or the new one, never a part: a temporary file beside it is written and synced, renamed over
// it, and the folder synced. Throws EngineError; the file is then as it was.
void replaceFile(engine::Env& env, const std::string& path, const QByteArray& bytes);
// The whole content; nullopt when there is no such file. Throws EngineError on a read error.
std::optional<QByteArray> readFile(engine::Env& env, const std::string& path);
// Removes the file for good: the folder is synced. A missing file is no error.
void removeFile(engine::Env& env, const std::string& path);

// The file beside a table's data file with the table's stem and `extension` (".STR"), in the
// spelling it has on disk (letter case is not regarded); nullopt when there is none.
std::optional<std::string> findCompanion(engine::Session& session, const std::string& dataPath,
                                         const std::string& extension);

}  // namespace lumiro::data
