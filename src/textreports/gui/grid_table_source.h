// A data grid of the program as the table printouts read it.
#pragma once

#include "textreports/table_source.h"

namespace lumiro::components {
class DataGrid;
}

namespace lumiro::textreports {

class GridTableSource : public TableSource {
  public:
    // The grid must outlive the source.
    explicit GridTableSource(components::DataGrid& grid) : grid_(grid) {}

    std::vector<TableColumn> columns() const override;
    int rowCount() const override;
    std::vector<int> selectedRows() const override;
    QString displayText(int row, int column) const override;
    std::optional<double> number(int row, int column) const override;
    void disableControls() override;
    void enableControls() override;

  private:
    components::DataGrid& grid_;
};

}  // namespace lumiro::textreports
