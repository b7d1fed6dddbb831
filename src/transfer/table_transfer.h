// Export of a whole table to the text file and import of a file into it. Import checks the
// whole file before it writes anything and then writes every line in one batch, so that a bad
// line or a failed write leaves the table as it was and the same file can be imported again
// once it is corrected.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/table.h"
#include "transfer/text_file_format.h"

namespace lumiro::transfer {

// Reports work done out of a total; called often, cheap to ignore.
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

// The tables' auto-increment counters: numbered by the engine, never written by import.
bool isCounter(const engine::FieldDef& field);

// Key values as the user reads them: "1, 77".
QString keyText(const std::vector<engine::Value>& key);

// Where a record of an employee table is, for messages: payer and card number when it has
// them, otherwise its position.
QString recordPlace(const engine::Table& table, std::int64_t position);

// --- export ----------------------------------------------------------------------------------

struct ExportColumn {
    int field = -1;   // in the table
    QString heading;  // the name the file gives it
};

// A value whose ";" or line break would move the later values of its line.
struct BreakingValue {
    QString record;  // recordPlace
    QString column;  // heading of its column
};

// The first `limit` such values of the columns over the whole table (the cursor ends on the
// first record), and in `total` how many there are.
std::vector<BreakingValue> findBreakingValues(engine::Table& table,
                                              const std::vector<ExportColumn>& columns,
                                              int limit, int& total);

// The whole file: the heading and every record from the first, each value followed by ";",
// each line by CR LF. With `mend`, ";" and line breaks in values are replaced (mendForLine).
QByteArray exportBytes(engine::Table& table, const std::vector<ExportColumn>& columns,
                       TextEncoding encoding, bool mend, const Progress& progress = {});

// --- import ----------------------------------------------------------------------------------

struct ImportColumn {
    QString name;    // as the heading has it
    int field = -1;  // the table's field of that name; -1: the column is ignored
};

struct ImportRow {
    int line = 0;  // in the file, the heading being line 1
    std::vector<std::pair<int, engine::Value>> values;  // counters left out
    // The primary key to look up, in key order; empty: the line always adds a record (its
    // counter is not in the file or empty).
    std::vector<engine::Value> key;
};

// Converts the lines that follow the heading (`lines[0]` is file line `firstLine`). The k-th
// value of a line belongs to the k-th column; values beyond the heading's columns are
// ignored, and blank lines (nothing but ";") skipped. Throws TransferError naming the line
// and the column at the first value the table cannot take, a line with more than
// kMaxValuesPerLine values, or one too short to hold its key.
std::vector<ImportRow> prepareImport(const engine::Table& table,
                                     const std::vector<ImportColumn>& columns, bool lastCounts,
                                     const QStringList& lines, int firstLine = 2);

// A row whose master record (the employee card of a detail row, the payer of a card) is
// missing: the line and the values of the linking columns.
struct MissingMaster {
    int line = 0;
    std::vector<engine::Value> key;
};

// The rows whose linking columns `fields` (of the imported table) name no record of the
// master table at `masterPath`, whose primary key they match in order. Read through a
// cursor of its own in `session`.
std::vector<MissingMaster> findMissingMasters(engine::Session& session,
                                              const std::string& masterPath,
                                              const std::vector<int>& fields,
                                              const std::vector<ImportRow>& rows);

// Writes the rows in one batch on the table's primary index: a row whose key is found edits
// that record, any other is inserted. A failure cancels the pending record, drops the whole
// batch and throws TransferError naming the line.
void writeImport(engine::Table& table, const std::vector<ImportRow>& rows,
                 const Progress& progress = {});

}  // namespace lumiro::transfer
