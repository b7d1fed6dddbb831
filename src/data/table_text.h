// Tables hold code page 1250 bytes and the engine takes file paths as native byte strings;
// the rest of the program speaks QString.
#pragma once

#include <QString>

#include <string>

#include "engine/schema.h"
#include "engine/value.h"

namespace lumiro::engine {
class Table;
}

namespace lumiro::data {

QString fromTable(const std::string& text);
// Characters without a code page 1250 form become '?'.
std::string toTable(const QString& text);
// A program path (backslashes, any letter case) as the engine opens it.
std::string enginePath(const QString& programPath);

// A value as the program shows it to the user, in grids, bound controls, exports and table
// printouts: the engine's text form, except that a logical value reads "Prawda" or "Fałsz".
// A null value is empty. The engine's own form ("true", points in numbers) stays what the
// command-line tool writes; both read back through the engine's parser.
QString valueText(const engine::FieldDef& field, const engine::Value& value);
// The column `field` of the table's current record in that form.
QString fieldText(const engine::Table& table, int field);

}  // namespace lumiro::data
