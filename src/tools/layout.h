// The text layout `create` reads and the text `schema` writes; the two mirror each other so
// that the output of `schema` recreates the table. Described in docs/lumiro-db.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"

namespace lumiro::tools {

// Parses a layout (UTF-8); names in the result are code page 1250 as the engine wants them.
// Throws ToolError naming the line for anything it cannot read or that cannot make a table.
engine::TableDef parseLayout(std::string_view text);

// The `schema` text (UTF-8) of a table: a line per column, `key=K`, a line per secondary
// index. `indexes` may include the primary index; it is described by `key=K` alone.
std::string formatSchema(const std::vector<engine::FieldDef>& fields, int keyFieldCount,
                         const std::vector<engine::IndexDef>& indexes);

}  // namespace lumiro::tools
