// Verification and index rebuilding of one table, on top of the engine's Table::verify and
// Table::rebuildIndexes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/schema.h"
#include "engine/session.h"

namespace lumiro::tools {

struct VerifyReport {
    std::int64_t records = 0;
    int indexes = 0;                    // secondary indexes walked
    std::vector<std::string> problems;  // Polish sentences naming the file; empty when sound
};

// The engine's checks of the files, then, when they pass, what a cursor sees: the record
// count, the same records forwards and backwards, and in every index. Never changes the
// data; the exclusive open finishes an interrupted post as any open does. Throws
// EngineError when the table is missing or another program has it open.
VerifyReport verifyTable(engine::Session& session, const std::string& path);

// Rebuilds every companion index from the data file, also when their files are missing or
// damaged. Secondary indexes in `extra` that the table does not have afterwards (their
// definitions were lost with their files) are added. Throws EngineError naming the file.
void rebuildIndexes(engine::Session& session, const std::string& path,
                    const std::vector<engine::IndexDef>& extra);

}  // namespace lumiro::tools
