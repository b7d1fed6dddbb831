// Index repair: every index of a registered table is built again from the table's structure
// description (NAME.STR), in the order of its lines. A table is touched only once it is open
// for exclusive use, so a table another program uses keeps its files.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include "engine/schema.h"
#include "engine/session.h"

namespace lumiro::maintenance {

// The index lines of a structure description: an empty name is the primary index (unique),
// any other a case-insensitive secondary index. Columns are fixed character positions of the
// file's code page 1250 bytes.
std::vector<engine::IndexDef> indexesOfDescription(const std::string& bytes);

class IndexRepair {
  public:
    // `line` receives each report line; with `replace` it takes the place of the last one.
    using Report = std::function<void(const QString& line, bool replace)>;

    // The tables by the names they were registered under (program paths without ".DB").
    // Runs in a session of its own over `env`; the program's session must be closed.
    // Returns false when an engine error stopped the run (the message is the last line).
    static bool run(engine::Env& env, const QStringList& tables, const Report& line);
};

}  // namespace lumiro::maintenance
