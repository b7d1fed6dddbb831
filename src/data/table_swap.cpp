#include "data/table_swap.h"

#include "data/table_text.h"
#include "engine/error.h"

namespace lumiro::data {
namespace {

bool exists(engine::Session& session, const QString& name) {
    return session.tableExists(enginePath(name));
}

void deleteIfPresent(engine::Session& session, const QString& name) {
    if (exists(session, name)) session.deleteTable(enginePath(name));
}

// A table under the replacement's name that the program did not make is left alone; one that
// cannot be read to tell is left alone as well.
bool replacementIsOurs(engine::Session& session, const SwapNames& names) {
    if (!names.replacementIsOurs) return true;
    try {
        engine::Table probe(session);
        probe.open(enginePath(names.replacement), engine::AccessMode::ReadOnly);
        return names.replacementIsOurs(probe);
    } catch (const engine::EngineError&) {
        return false;
    }
}

}  // namespace

void swapInTable(engine::Session& session, const SwapNames& names) {
    deleteIfPresent(session, names.backup);
    // The original's files, its structure description among them, stay whole under the
    // backup's name until the replacement holds the target's name.
    session.renameTable(enginePath(names.target), enginePath(names.backup));
    session.renameTable(enginePath(names.replacement), enginePath(names.target));
    session.deleteTable(enginePath(names.backup));
}

void recoverTableSwap(engine::Session& session, const SwapNames& names) {
    try {
        const bool ours = !exists(session, names.replacement) || replacementIsOurs(session, names);
        if (!exists(session, names.target)) {
            if (exists(session, names.replacement) && ours) {
                // The original only moves away once the replacement is complete.
                session.renameTable(enginePath(names.replacement), enginePath(names.target));
            } else if (exists(session, names.backup)) {
                session.renameTable(enginePath(names.backup), enginePath(names.target));
                return;
            }
        }
        if (ours) deleteIfPresent(session, names.replacement);
        deleteIfPresent(session, names.backup);
    } catch (const engine::EngineError&) {
        // Whatever could not be put right is reported when the table is opened.
    }
}

void beginReplacement(engine::Session& session, const SwapNames& names,
                      const engine::TableDef& def) {
    if (exists(session, names.replacement)) {
        if (!replacementIsOurs(session, names))
            engine::fail(
                engine::ErrorCode::AlreadyExists,
                "W folderze jest już inna tabela " +
                    engine::baseName(session.resolveDataPath(enginePath(names.replacement))) +
                    "; program jej nie zmienia. Zmień jej nazwę lub przenieś ją, a "
                    "uaktualnienie nastąpi przy następnym uruchomieniu.");
        session.deleteTable(enginePath(names.replacement));
    }
    session.createTable(enginePath(names.replacement), def);
}

void discardReplacement(engine::Session& session, const SwapNames& names) {
    try {
        deleteIfPresent(session, names.replacement);
    } catch (const engine::EngineError&) {
    }
}

void finishReplacement(engine::Session& session, const SwapNames& names, engine::Table& table) {
    table.close();
    try {
        swapInTable(session, names);
    } catch (const engine::EngineError&) {
        // With the original moved away the replacement takes its place after all; otherwise
        // the original comes back.
        const bool completes = !exists(session, names.target) && exists(session, names.replacement);
        recoverTableSwap(session, names);
        const bool done =
            completes && exists(session, names.target) && !exists(session, names.replacement);
        try {
            table.open(enginePath(names.target));
        } catch (const engine::EngineError&) {
            if (done) throw;
        }
        if (!done) throw;
        return;
    }
    table.open(enginePath(names.target));
}

}  // namespace lumiro::data
