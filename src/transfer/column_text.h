// A column's value as the text of an import or export file, and the value of such a text.
// Every value the tables hold is written so that reading it gives the same value back; a text
// that the column cannot hold exactly is refused, never rounded or cut.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/schema.h"
#include "engine/value.h"
#include "transfer/text_file_format.h"

namespace lumiro::transfer {

// Amounts are read with at most two decimals and at most this many digits before them, so
// that every amount read is held exactly in grosze (a double keeps 15 significant digits).
inline constexpr int kAmountIntegerDigits = 13;

// The text of `value` for the file, in `encoding`, without quotes; null is empty.
//  - texts as the table holds them;
//  - whole numbers in digits;
//  - amounts with a decimal comma and two decimals, as a Polish spreadsheet reads them (see
//    groszeOf); an amount that is not a whole number of grosze (a fraction of a grosz, a value
//    too large) is written with every digit it has, so that nothing is rounded on the way out;
//  - floating-point numbers with the fewest digits that read back the same, decimal comma;
//  - logical values as "Prawda" or "Fałsz";
//  - dates, times and the rest as the engine writes them.
std::string valueText(const engine::FieldDef& field, const engine::Value& value,
                      TextEncoding encoding);

// The value of a file text for the column; an empty text is null. Throws TransferError with
// the reason, which names the text but not its line or column.
engine::Value valueFromText(const engine::FieldDef& field, std::string_view text,
                            TextEncoding encoding);

// The whole grosze an amount stands for. Amounts are binary floating-point numbers, so a sum of
// typed amounts may lie a few units of the last binary place beside its grosz (16805.59 held as
// 16805.589999999997); such a value is that grosz. Nullopt for an amount that is not a whole
// number of grosze (a fraction of a grosz, a value beyond kAmountIntegerDigits digits, infinity).
std::optional<std::int64_t> groszeOf(double value);

// An amount's text: two decimals after a comma when it is a whole number of grosze, else every
// digit it has.
std::string amountText(double value);
// An amount with a decimal comma or point, optionally signed, with blanks (also no-break
// spaces) between groups of three digits allowed; decimals beyond the second must be zeros.
// Nullopt, and the problem when asked, for any other text.
enum class AmountProblem { None, NotAnAmount, TooManyDecimals, TooLarge };
std::optional<double> parseAmount(std::string_view text, AmountProblem* problem = nullptr);

}  // namespace lumiro::transfer
