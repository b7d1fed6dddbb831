// "Dane o Firmie": the single record of the company that uses the program, on six pages.
// Edits reach the table when the window closes.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>

class QLabel;
class QStatusBar;

namespace lumiro::components {
class DataSource;
class DbCheckBox;
class DbComboBox;
class DbEdit;
class PageControl;
}  // namespace lumiro::components

namespace lumiro::data {
class Tdane;
}

namespace lumiro::records {

class IdNumberIndicator;

// The sixteen provinces as the forms write them.
const QStringList& provinceNames();

class TFIRMAF : public QDialog {
    Q_OBJECT

  public:
    // `logo` is the picture loaded at start (see loadLogoPicture); the data module must
    // outlive the window.
    TFIRMAF(data::Tdane& dane, const QImage& logo, QWidget* parent = nullptr);
    ~TFIRMAF() override;

    // Centred on the screen and modal; returns when the window is closed (at once when the
    // company table is not open).
    void openModal();

    components::PageControl& STRONY() { return *STRONY_; }
    components::DataSource& Zfirma() { return *Zfirma_; }
    // The control bound to `column` of the company record (`E` and the column name).
    QWidget* control(const QString& column) const;
    components::DbEdit* edit(const QString& column) const;
    QLabel& logoBox() { return *logoBox_; }
    QLabel& logoSize() { return *logoSize_; }
    QStatusBar& statusBar() { return *statusBar_; }
    IdNumberIndicator* indicator(const QString& column) const;

    void FormShow();
    void FormClose();
    // Leaving a head-office address field fills the empty fields that usually hold the same.
    void EULICAExit(QWidget* control);
    void STRONA6Show();

  Q_SIGNALS:
    // The window was closed; lists that show the company or the payers are to be built again.
    void payersChanged();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

  private:
    QWidget* identificationPage();
    QWidget* addressPage(const QString& prefix, bool headOffice);
    QWidget* bankPage();
    QWidget* otherPage();
    QWidget* logoPage();
    components::DbEdit* makeEdit(const QString& column, const QString& hint = {},
                                 int widthChars = 0);
    components::DbComboBox* makeComboBox(const QString& column, bool listOnly,
                                         const QStringList& items, const QString& hint = {});
    QWidget* withIndicator(components::DbEdit* edit, int kind);
    void setHint(QWidget* widget, const QString& hint);
    // A data root typed in the window that has no folder, or no data where the root in use
    // has them, is questioned before it is stored; No keeps the stored one.
    void confirmDataRoot();

    data::Tdane& dane_;
    QImage logo_;
    QString storedRoot_;  // the data root as stored when the window was shown
    components::DataSource* Zfirma_;
    components::PageControl* STRONY_;
    QStatusBar* statusBar_;
    QLabel* logoBox_ = nullptr;
    QLabel* logoSize_ = nullptr;
    bool closing_ = false;
};

// The logo for the printouts: "logo.bmp" in the current folder, whatever the case of its
// name; an empty picture when there is none or it does not load.
QImage loadLogoPicture();

}  // namespace lumiro::records
