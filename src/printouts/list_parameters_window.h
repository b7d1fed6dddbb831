// "Parametry zestawienia": the heading of the list of insured (its number, year and date) and
// the number of applications it lists, asked before the list is previewed.
#pragma once

#include <QDialog>

#include <optional>

#include "printouts/print_commands.h"

class QLineEdit;

namespace lumiro::platform {
struct ProcessValues;
}

namespace lumiro::printouts {

class TKADF7 : public QDialog {
    Q_OBJECT

  public:
    explicit TKADF7(const platform::ProcessValues& values, QWidget* parent = nullptr);

    // Shows the dialog modally, filled anew: no number, the working year, today's date and
    // `listed`. The heading typed when closed by "Wydruk", nothing otherwise.
    std::optional<ListHeading> ask(int listed);
    // Fills the edits as every showing does (ask() calls it).
    void FormShow(int listed);

    QLineEdit& ENUMER() { return *number_; }
    QLineEdit& EROK() { return *year_; }
    QLineEdit& EDNIA() { return *date_; }
    QLineEdit& EILOSC() { return *count_; }

  private:
    const platform::ProcessValues& values_;
    QLineEdit* number_;
    QLineEdit* year_;
    QLineEdit* date_;
    QLineEdit* count_;
};

}  // namespace lumiro::printouts
