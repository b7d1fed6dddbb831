// An import file read for one table: its heading matched to the table's fields and every line
// converted to the values those fields will take, all checked before anything is written.
// A line that has fewer values than the heading has names leaves the fields of the missing
// columns out (a record keeps what it holds there); only a value that is present and empty
// clears a field.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"
#include "engine/value.h"
#include "transfer/text_file_format.h"

namespace lumiro::transfer {

// Reports work done out of a total; called often, cheap to ignore.
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

// The tables' auto-increment counters: numbered by the engine, never written by import.
bool isCounter(const engine::FieldDef& field);

struct ImportColumn {
    QString name;    // as the heading has it
    int field = -1;  // the table's field of that name; -1: the column is ignored
};

// The columns of a heading matched to the first `storedCount` fields by exact name; a second
// column of the same name is ignored.
std::vector<ImportColumn> mapColumns(const std::vector<engine::FieldDef>& fields, int storedCount,
                                     const QStringList& names);

// The heading of a file and the encoding it is read in. Throws TransferError for a file that
// is no text or has no heading.
struct ImportHeading {
    QStringList names;
    FileText text;
};
ImportHeading readImportHeading(std::string_view bytes,
                                std::optional<TextEncoding> forced = std::nullopt);

// The lines of a file as values of the table's fields. Values are kept compactly (a file of
// 300,000 lines is common), and handed out as engine values.
class ImportRows {
  public:
    struct Row {
        int line = 0;              // where the line begins in the file; the heading is line 1
        std::uint32_t first = 0;   // its first value
        std::uint32_t count = 0;   // how many of the columns it has values for
        std::int64_t counter = 0;  // the counter's value, 0 when the file gives none
    };

    // The field of each column that has a value on some line, in the file's order; the k-th
    // value of a row belongs to fields()[k]. The counter is not among them.
    const std::vector<int>& fields() const { return fields_; }
    // The counter field of the table, -1 when it has none or the file no column for it.
    int counterField() const { return counterField_; }
    std::size_t size() const { return rows_.size(); }
    const Row& row(std::size_t i) const { return rows_[i]; }

    engine::Value value(std::size_t row, std::size_t k) const;
    // Whether the k-th value of the row equals a value as the table holds it; amounts are
    // equal when they are the same grosze (groszeOf).
    bool equals(std::size_t row, std::size_t k, const engine::Value& stored) const;
    // Whether the k-th values of two rows are the same; a row without a k-th value has null
    // there, as a record it adds.
    bool sameCell(std::size_t row, std::size_t k, std::size_t other) const;
    // A whole number value (the card columns), 0 for null.
    std::int64_t integer(std::size_t row, std::size_t k) const;
    // The column index k of a field among fields(), -1 when the file has no column for it.
    int columnOf(int field) const;

  private:
    friend ImportRows readImportFile(std::string_view, const std::vector<engine::FieldDef>&, int,
                                     int, std::optional<TextEncoding>, const Progress&);
    struct Cell {
        // An amount is kept as its grosze.
        enum Kind : std::uint8_t { Null, Integer, Double, Amount, Boolean, Text } kind = Null;
        union {
            std::int64_t integer;
            double number;
            bool boolean;
            struct {
                std::uint32_t offset, length;
            } text;
        };
        Cell() : integer(0) {}
    };
    static Cell cellOf(const engine::FieldDef& field, const engine::Value& value,
                       std::string& texts);
    // Throws TransferError (valueFromText) for a text the field cannot take.
    static Cell cellOf(const engine::FieldDef& field, std::string_view text, TextEncoding encoding,
                       std::string& texts);

    std::vector<int> fields_;
    int counterField_ = -1;
    std::vector<Row> rows_;
    std::vector<Cell> cells_;
    std::string texts_;  // the text values, code page 1250, one after the other
};

// Reads the whole file for a table whose first `keyCount` fields are its primary key. A line
// of nothing but empty values is skipped. Throws TransferError listing the lines, columns and
// values the table cannot take (the first ten of them and how many there are), a heading
// without a key column, or a line too short to hold its key; nothing of the file is kept then.
ImportRows readImportFile(std::string_view bytes, const std::vector<engine::FieldDef>& fields,
                          int storedCount, int keyCount,
                          std::optional<TextEncoding> forced = std::nullopt,
                          const Progress& progress = {});

}  // namespace lumiro::transfer
