// Import and export of one of the data module's employee tables, with the questions and
// messages the user gets: the same run for the window and for the command line. Questions go
// to the data module's prompter; what the run ends with is returned for the caller to show.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "transfer/table_transfer.h"

namespace lumiro::data {
class Tdane;
}

namespace lumiro::transfer {

// "RP7", "ZAR", ...: the table's file name without ".DB", as menus and messages name it.
QString tableName(const engine::Table& table);

// Every stored field of the table under its own name, in field order.
std::vector<ExportColumn> allColumns(const engine::Table& table);

// Writes the whole table to `file` (a program path; an existing file is replaced only once the
// new one is complete). Returns the message for the user. Throws TransferError or EngineError.
QString exportTable(data::Tdane& dane, engine::Table& table,
                    const std::vector<ExportColumn>& columns, TextEncoding encoding,
                    const QString& file, const Progress& progress = {});

struct ImportResult {
    enum class Status {
        Imported,  // stored; `message` has the counts, `warnings` what the user must know
        Refused,   // nothing stored; `message` says what to mend in the file
        Stopped,   // the user answered No to a question; nothing stored
    };
    Status status = Status::Refused;
    QString message;
    QString warnings;
    std::int64_t added = 0;
    std::int64_t updated = 0;
    std::int64_t present = 0;
};

// Reads `file` (in `encoding`, or the one recognised), checks every line, asks about lines of
// missing cards and about second earnings rows of one year, writes every line in one batch
// and renames the file with "z" in front of its name (never over another file). The table is
// read and written through cursors of its own; the caller refreshes the data module's.
ImportResult importTable(data::Tdane& dane, engine::Table& table, const QString& file,
                         std::optional<TextEncoding> encoding = std::nullopt,
                         const Progress& progress = {});

}  // namespace lumiro::transfer
