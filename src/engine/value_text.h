// Values as text and back, with the conventions of `lumiro-db dump`: integers in decimal,
// money with two decimals, numbers in the shortest form that reads back exactly (a point as
// the decimal separator), logical true/false, dates YYYY-MM-DD, times HH:MM:SS[.mmm],
// timestamps "date time", bytes and binary blobs in hex, texts as they are (code page 1250).
#pragma once

#include <string>
#include <string_view>

#include "schema.h"
#include "value.h"

namespace lumiro::engine {

// Null gives the empty string.
std::string formatValue(const FieldDef& field, const Value& value);

// Reads text written by formatValue, and the forms people type: a comma as the decimal
// separator, spaces between thousands, "Prawda"/"Fałsz", "T"/"N", "1"/"0", dates as
// YYYY-MM-DD, YYYY.MM.DD or DD-MM-YYYY. The empty text gives null. Anything else throws
// EngineError(Conversion) whose message names the column and the text.
Value parseValue(const FieldDef& field, std::string_view text);

}  // namespace lumiro::engine
