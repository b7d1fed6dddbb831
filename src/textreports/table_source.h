// What the table printouts read from a grid: its columns as the user sees them and its rows.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace lumiro::textreports {

enum class ColumnAlignment { Left, Right, Centre };

struct TableColumn {
    QString field;  // empty for a column not bound to a field
    QString title;
    int widthPixels = 0;
    ColumnAlignment alignment = ColumnAlignment::Left;
    bool visible = true;
};

class TableSource {
  public:
    virtual ~TableSource() = default;
    virtual std::vector<TableColumn> columns() const = 0;
    // Every row of the data set, first to last.
    virtual int rowCount() const = 0;
    // The rows the user selected, in the order of the selection; empty for none.
    virtual std::vector<int> selectedRows() const = 0;
    // The column's text as the grid shows it.
    virtual QString displayText(int row, int column) const = 0;
    // The column's value as a number, or nothing when it is not one.
    virtual std::optional<double> number(int row, int column) const = 0;
    // The data set's controls stay still while its rows are read.
    virtual void disableControls() {}
    virtual void enableControls() {}
};

}  // namespace lumiro::textreports
