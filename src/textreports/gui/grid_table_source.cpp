#include "textreports/gui/grid_table_source.h"

#include <QLocale>

#include "components/data_grid.h"
#include "components/data_source.h"

namespace lumiro::textreports {
namespace {

ColumnAlignment alignmentOf(Qt::Alignment alignment) {
    if (alignment & Qt::AlignRight) return ColumnAlignment::Right;
    if (alignment & Qt::AlignHCenter) return ColumnAlignment::Centre;
    return ColumnAlignment::Left;
}

}  // namespace

std::vector<TableColumn> GridTableSource::columns() const {
    const components::DataGridModel& model = *grid_.gridModel();
    std::vector<TableColumn> result;
    for (int i = 0; i < model.columnCount(); ++i) {
        const components::GridColumn& c = model.column(i);
        result.push_back(TableColumn{c.field, c.title, grid_.columnWidth(i),
                                     alignmentOf(c.alignment), !grid_.isColumnHidden(i)});
    }
    return result;
}

int GridTableSource::rowCount() const {
    const components::DataGridModel& model = *grid_.gridModel();
    int rows = model.rowCount();
    // A row being inserted is not yet a record of the data set.
    if (rows > 0 && model.isInsertRow(rows - 1)) --rows;
    return rows;
}

std::vector<int> GridTableSource::selectedRows() const {
    const components::DataGridModel& model = *grid_.gridModel();
    std::vector<int> rows;
    for (const engine::Bookmark& mark : model.markedRows()) {
        const int row = model.rowOf(mark);
        if (row >= 0) rows.push_back(row);
    }
    return rows;
}

QString GridTableSource::displayText(int row, int column) const {
    const components::DataGridModel& model = *grid_.gridModel();
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

std::optional<double> GridTableSource::number(int row, int column) const {
    const components::DataGridModel& model = *grid_.gridModel();
    // The stored form, with a point, whatever the column's display format makes of it.
    const QString text = model.data(model.index(row, column), Qt::EditRole).toString().trimmed();
    bool ok = false;
    double value = QLocale::c().toDouble(text, &ok);
    if (!ok) value = QLocale(QLocale::Polish).toDouble(text, &ok);
    if (!ok) return std::nullopt;
    return value;
}

void GridTableSource::disableControls() {
    if (components::DataSource* source = grid_.source()) source->suspendControls();
}

void GridTableSource::enableControls() {
    if (components::DataSource* source = grid_.source()) source->resumeControls();
}

}  // namespace lumiro::textreports
