// "Naprawa Indeksów": the index repair run over every table the program opened, with its
// report.
#pragma once

#include <QDialog>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace lumiro::data {
class Tdane;
}

namespace lumiro::maintenance {

class TAWARIAF : public QDialog {
    Q_OBJECT

  public:
    // `afterReopen` runs once the tables are open again, for the windows that show them.
    TAWARIAF(data::Tdane& dane, std::function<void()> afterReopen, QWidget* parent = nullptr);

    void openModal() { exec(); }
    void Button1Click();  // "START"
    QPlainTextEdit& ERAP() { return *report_; }
    QPushButton& BitBtn1() { return *start_; }

  private:
    void line(const QString& text, bool replaceLast);

    data::Tdane& dane_;
    std::function<void()> afterReopen_;
    QPushButton* start_;
    QPlainTextEdit* report_;
};

}  // namespace lumiro::maintenance
