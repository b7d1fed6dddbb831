#include "data/table_swap.h"

#include "data/table_text.h"
#include "engine/error.h"

namespace lumiro::data {
namespace {

void deleteIfPresent(engine::Session& session, const QString& name) {
    if (session.tableExists(enginePath(name))) session.deleteTable(enginePath(name));
}

}  // namespace

void swapInTable(engine::Session& session, const SwapNames& names) {
    deleteIfPresent(session, names.backup);
    session.renameTable(enginePath(names.target), enginePath(names.backup));
    session.renameTable(enginePath(names.replacement), enginePath(names.target));
    session.deleteTable(enginePath(names.backup));
}

void recoverTableSwap(engine::Session& session, const SwapNames& names) {
    try {
        const bool target = session.tableExists(enginePath(names.target));
        if (!target) {
            if (session.tableExists(enginePath(names.replacement))) {
                session.renameTable(enginePath(names.replacement), enginePath(names.target));
            } else if (session.tableExists(enginePath(names.backup))) {
                session.renameTable(enginePath(names.backup), enginePath(names.target));
                return;
            }
        }
        deleteIfPresent(session, names.replacement);
        deleteIfPresent(session, names.backup);
    } catch (const engine::EngineError&) {
        // Whatever could not be put right is reported when the table is opened.
    }
}

bool beginReplacement(engine::Session& session, const SwapNames& names,
                      const engine::TableDef& def) {
    try {
        deleteIfPresent(session, names.replacement);
        session.createTable(enginePath(names.replacement), def);
        return true;
    } catch (const engine::EngineError&) {
        return false;
    }
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
        recoverTableSwap(session, names);
    }
    try {
        table.open(enginePath(names.target));
    } catch (const engine::EngineError&) {
    }
}

}  // namespace lumiro::data
