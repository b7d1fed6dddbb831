// Replacing a table by a rebuilt copy so that a crash at any instant leaves one complete
// table under the original name, or recoverable by recoverTableSwap at the next start.
#pragma once

#include <QString>

#include <functional>

#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::data {

// Names of the copy being built and of the original while the copy moves in.
struct SwapNames {
    QString target;       // e.g. "FIRMA"
    QString replacement;  // the complete new table
    QString backup;       // the original, only between the two renames
    // Whether a table found under the replacement's name is the program's copy rather than a
    // table of the user's that happens to have that name (TEMP); absent: it always is. A table
    // that is not the program's is never deleted, renamed or replaced.
    std::function<bool(engine::Table&)> replacementIsOurs;
};

// The names of the two rebuilds, for the table at `target` (a path without ".DB"): the company
// table through FIRMANEW and FIRMAOLD, the parameters table through TEMP (a TEMP without the
// parameters' added columns is not the program's) and KADOLD.
SwapNames companySwap(const QString& target);
SwapNames parametersSwap(const QString& target);

// `replacement` must be complete and closed, `target` closed. The original is renamed away
// first and deleted only once the replacement holds its name, so at every instant one of
// them is whole on disk. Renames act on the data file and its companions; the indexes can
// always be rebuilt from a whole data file.
void swapInTable(engine::Session& session, const SwapNames& names);

// Run before opening `target`. Without the target, a replacement that exists is complete
// (the original only moves away once it is) and takes its place, else the backup returns.
// With the target present, leftovers of an unfinished rebuild are removed.
void recoverTableSwap(engine::Session& session, const SwapNames& names);

// The steps around the copy. beginReplacement creates an empty replacement with `def`
// (removing a leftover one of the program's); throws EngineError when that fails, and nothing
// is changed.
void beginReplacement(engine::Session& session, const SwapNames& names,
                      const engine::TableDef& def);
// A copy found incomplete is deleted, leaving the original in use.
void discardReplacement(engine::Session& session, const SwapNames& names);
// Closes `table` (open on the target), swaps the complete replacement in and opens `table`
// again on the target. When the swap fails the original is put back and the engine's error
// thrown, `table` open on the original.
void finishReplacement(engine::Session& session, const SwapNames& names, engine::Table& table);

}  // namespace lumiro::data
