// Verification and index rebuilding of one table. The engine's public cursor API cannot see
// block chains, free lists or index pages, nor open a table whose index files are gone, so
// these are meant to forward to engine entry points (see NEEDS.md). Until those exist,
// verifyTable checks what the cursor API shows and rebuildIndexes reports it cannot work.
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

// Never changes the table's data; may finish an interrupted post the way any open does.
VerifyReport verifyTable(engine::Session& session, const std::string& path);

// Rebuilds the primary index and every secondary index from the data file, also when their
// files are missing or damaged. `definitions` (secondary indexes) replace the definitions
// the table has; nullptr keeps them. Throws EngineError naming the file on failure.
void rebuildIndexes(engine::Session& session, const std::string& path,
                    const std::vector<engine::IndexDef>* definitions);

}  // namespace lumiro::tools
