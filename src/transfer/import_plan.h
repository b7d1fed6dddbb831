// What each line of an import file will do to the table, decided before anything is written:
// update the record it names, add a record, or nothing because the table holds its values
// already.
//
// A line names a record by the primary key. In the detail tables the key ends with the
// counter, which payroll systems and spreadsheets do not have: a line without it (or with a
// counter the table does not know) is compared with the rows its employee card already has,
// and with the lines before it for that card, and is left out when one of them has every value
// the line gives. A line whose counter names a row of its card updates that row even when the
// line changes another key column (the year of an earnings row, the date a period begins).
#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

#include "engine/table.h"
#include "transfer/import_file.h"

namespace lumiro::transfer {

enum class RowAction : std::uint8_t { Add, Update, Present };

struct CardRows {
    std::int64_t payer = 0;   // ZLEC
    std::int64_t number = 0;  // NR
    std::int64_t rows = 0;    // the card's rows once the file is written
};

// A line that would give a card a second earnings row of one year.
struct SameYear {
    std::int64_t payer = 0;
    std::int64_t number = 0;
    QString year;
    int line = 0;
};

struct ImportPlan {
    std::vector<RowAction> actions;  // one for each row of the file
    // Rows that update a record whose key differs from the row's own: that record's key.
    std::map<std::size_t, std::vector<engine::Value>> keyOfRecord;
    std::int64_t added = 0;
    std::int64_t updated = 0;
    std::int64_t present = 0;
    std::vector<SameYear> sameYear;
    // Every card the file has lines for, with its rows afterwards (tables of detail rows).
    std::vector<CardRows> cards;
};

// `yearField`: the earnings table's year column, whose second row for one card is reported;
// -1 for the other tables. The table is read through a cursor of its own, on its primary
// index, and is not changed.
ImportPlan planImport(engine::Table& table, const ImportRows& rows, int yearField = -1,
                      const Progress& progress = {});

// The key values of a row, in key order, its counter last when the key has one.
std::vector<engine::Value> rowKey(const engine::Table& table, const ImportRows& rows,
                                  std::size_t row);

}  // namespace lumiro::transfer
