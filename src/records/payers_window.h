// "Płatnicy składek": the payers of contributions, each owning its own index of employees.
// Payers are added and deleted only with the toolbar; the grid edits existing rows.
#pragma once

#include <QDialog>

#include <cstdint>

class QToolButton;

namespace lumiro::components {
class DataGrid;
class DataSource;
}  // namespace lumiro::components

namespace lumiro::data {
class Tdane;
}

namespace lumiro::records {

class TKADF9 : public QDialog {
    Q_OBJECT

  public:
    // Payer numbers above this no longer fit the payer chooser of the employee index.
    static constexpr std::int64_t kHighestPayerNumber = 9999;

    // `ZZLEC` is the payer data source that the employee index follows; it and the data
    // module must outlive the window.
    TKADF9(data::Tdane& dane, components::DataSource& ZZLEC, QWidget* parent = nullptr);

    // Centred on the screen and modal; returns when the window is closed.
    void openModal();

    components::DataGrid& XDBGrid1() { return *XDBGrid1_; }
    QToolButton& newButton() { return *newButton_; }
    QToolButton& saveButton() { return *saveButton_; }
    QToolButton& deleteButton() { return *deleteButton_; }

    // "Nowa pozycja": a row numbered one above the highest payer, left for the user to fill.
    void newPayer();
    // "Zapisz dane".
    void savePayer();
    // "Usuń pozycję": the payer with all its employees and their rows, after a question.
    void deletePayer();

  Q_SIGNALS:
    // The window was closed; the payer table may have changed, so lists of payers shown
    // elsewhere are to be built again.
    void payersChanged();

  protected:
    void done(int result) override;

  private:
    data::Tdane& dane_;
    components::DataSource& ZZLEC_;
    components::DataGrid* XDBGrid1_;
    QToolButton* newButton_;
    QToolButton* saveButton_;
    QToolButton* deleteButton_;
};

}  // namespace lumiro::records
