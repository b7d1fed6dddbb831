// The data module's tables as the report engine reads them: the current row of a table as a
// value source, and the visible rows of a detail table as the rows of a sub-detail band.
#pragma once

#include <QString>

#include "reports/value_source.h"

namespace lumiro::engine {
class Table;
}

namespace lumiro::printouts {

// The current record of a table; each column in the form the program shows it (a closed
// table or an unknown column gives an empty text). Column names are matched without regard
// to case, as the layouts spell them either way ("Pole1", "POLE1").
class TableValues : public reports::ValueSource {
  public:
    explicit TableValues(const engine::Table& table) : table_(table) {}
    QString text(const QString& field) const override;

  private:
    const engine::Table& table_;
};

// The rows the table shows (its range under its master row, its filter), walked by moving the
// table itself, as a band over a detail table does; the table stays on its last row.
class TableRows : public reports::RowSource {
  public:
    explicit TableRows(engine::Table& table) : table_(table), values_(table) {}
    void first() override;
    void next() override;
    bool atEnd() const override;
    QString text(const QString& field) const override { return values_.text(field); }

  private:
    engine::Table& table_;
    TableValues values_;
};

}  // namespace lumiro::printouts
