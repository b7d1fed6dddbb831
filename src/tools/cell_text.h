// One column value as a cell of the TSV form: UTF-8 outside, code page 1250 inside the engine.
#pragma once

#include <string>
#include <string_view>

#include "engine/schema.h"
#include "engine/value.h"

namespace lumiro::tools {

// The cell text before escaping (UTF-8); null gives the empty string.
std::string cellFromValue(const engine::FieldDef& field, const engine::Value& value);

// Reads an escaped cell of a TSV row. Throws ToolError for a bad escape or a character the
// code page cannot hold, EngineError(Conversion) for text that is not a value of the column.
engine::Value valueFromCell(const engine::FieldDef& field, std::string_view cell);

}  // namespace lumiro::tools
