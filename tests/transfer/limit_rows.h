// Rows for the five employee tables holding what a text file must carry intact: texts of the
// full column width with Polish letters, ";", quotes and line breaks, empty values, amounts
// from a grosz to the largest the file takes, and numbers at the ends of their columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "support/table_rows.h"

namespace lumiro::transfer::test {

// `length` characters (code page 1250 bytes) cut from a text that has every awkward thing in it,
// starting at `shift`.
inline std::string awkwardText(int length, int shift) {
    static const std::string pattern =
        engine::utf8ToCp1250("Żółć gęślą; \"jaźń\" ŁÓDŹ\r\nśćń ;;\"\" Ąę\nźż x\r ");
    std::string text;
    for (int i = 0; text.size() < std::size_t(length); ++i)
        text += pattern[std::size_t(shift + i) % pattern.size()];
    return text;
}

// Sums among them, as the grid leaves them: a grosz held a unit of the last binary place aside.
inline const double kLimitAmounts[] = {0.01,      999999999.99,      -0.01,
                                       0.0,       9999999999999.99,  -9999999999999.99,
                                       0.1 + 0.2, 16805.589999999997};

// Rows of `layout`: for every card of `cards` (payer 7, employee numbers given) `perCard` rows.
// Every third text and every fifth amount is left empty (null).
inline std::vector<lumiro::test::TableRow> limitRows(const data::TableLayout& layout,
                                                     const std::vector<std::int64_t>& cards,
                                                     int perCard) {
    std::vector<lumiro::test::TableRow> rows;
    int n = 0;
    for (std::int64_t card : cards)
        for (int r = 0; r < perCard; ++r, ++n) {
            lumiro::test::TableRow row;
            for (const engine::FieldDef& field : layout.def.fields) {
                const int k = n * 7 + int(row.size());
                if (field.name == "ZLEC") {
                    row[field.name] = engine::Value{std::int64_t(7)};
                } else if (field.name == "NR") {
                    row[field.name] = engine::Value{card};
                } else if (field.type == engine::FieldType::Alpha) {
                    if (k % 3 != 0) row[field.name] = engine::Value{awkwardText(field.size, k)};
                } else if (field.type == engine::FieldType::Money) {
                    if (k % 5 != 0)
                        row[field.name] =
                            engine::Value{kLimitAmounts[std::size_t(k) % std::size(kLimitAmounts)]};
                }
            }
            rows.push_back(std::move(row));
        }
    return rows;
}

}  // namespace lumiro::transfer::test
