// The prompt for a printout's name, shown when a printout asks for it.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace lumiro::textreports {

class TDRUKTYT : public QDialog {
  public:
    explicit TDRUKTYT(QWidget* parent = nullptr);

    // Opens modally with `current` in the field and returns the field's text once closed,
    // however it was closed.
    QString ask(const QString& current);

    QLineEdit& Etytul() { return *Etytul_; }
    QPushButton& OK() { return *OK_; }

  private:
    QLineEdit* Etytul_;
    QPushButton* OK_;
};

}  // namespace lumiro::textreports
