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

}  // namespace lumiro::data
