// "Moduł ARCHIWUM": archiving every data year into an archive folder and bringing it back,
// with the folder picker "Wyszukiwanie katalogu" and the reminder, on closing the employee
// index, that the archive is older than the set number of days.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

#include "maintenance/archive.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeView;
class QFileSystemModel;

namespace lumiro::data {
class Tdane;
}
namespace lumiro::platform {
class Clock;
}

namespace lumiro::maintenance {

// The folder picker: a tree of the file system's folders.
class TARCHF1 : public QDialog {
    Q_OBJECT

  public:
    explicit TARCHF1(QWidget* parent = nullptr);
    // The folder chosen, or empty; starts at `start`.
    QString choose(const QString& start);
    QTreeView& EKATALOG() { return *tree_; }

  private:
    QFileSystemModel* model_;
    QTreeView* tree_;
};

struct ArchiveServices {
    // The progress window: title and maximum, one step, end.
    std::function<void(const QString&, int)> progressStart;
    std::function<void()> progressStep;
    std::function<void()> progressStop;
    // After a restore reopened the tables: the windows on them show them again.
    std::function<void()> afterReopen;
    // The folder the "..." buttons choose; by default the folder picker.
    std::function<QString(const QString& start)> chooseFolder;
    // Ends the program when a restore left its moves to the next start; by default the
    // application's event loops end.
    std::function<void()> endProgram;
};

class TARCHF : public QDialog {
    Q_OBJECT

  public:
    TARCHF(data::Tdane& dane, ArchiveServices services, QWidget* parent = nullptr);
    ~TARCHF() override;

    // Shows the window modally on its archive page.
    void openModal();
    // The reminder: asks to archive when ARCHDNI days have passed since ARCHDATA.
    void SPRAWDZ();

    // Controls, for tests and for the keyboard.
    QTabWidget& Tab() { return *tab_; }
    QLineEdit& EDR() { return *archivePath_; }
    QLineEdit& EDR1() { return *restorePath_; }
    QRadioButton& anyLocation(bool restore);
    QGroupBox& pathGroup(bool restore);
    QLabel& archiveDate(bool restore);
    void BitBtn2Click();  // "Archiwizuj"
    void BitBtn4Click();  // "Odtwarzaj"
    void SpeedButton1Click();
    void SpeedButton2Click();

  private:
    QWidget* page(bool restore);
    // Enter runs the command of the page shown.
    void pageShown(int index);
    Places places() const;
    void FormShow();
    void showArchiveDate();
    // The archive folder the page names, ending in a separator.
    QString folderOf(bool restore);
    void saveTables();
    // The folder picker, starting at the edit's folder; the folder chosen goes into it.
    void chooseInto(QLineEdit& edit);

    data::Tdane& dane_;
    ArchiveServices services_;
    QTabWidget* tab_ = nullptr;
    QLineEdit* archivePath_ = nullptr;
    QLineEdit* restorePath_ = nullptr;
    QRadioButton* anyArchive_ = nullptr;
    QRadioButton* anyRestore_ = nullptr;
    QGroupBox* archiveGroup_ = nullptr;
    QGroupBox* restoreGroup_ = nullptr;
    QLabel* archiveDate_ = nullptr;
    QLabel* restoreDate_ = nullptr;
    QPushButton* archiveRun_ = nullptr;
    QPushButton* restoreRun_ = nullptr;
    TARCHF1* picker_ = nullptr;
};

}  // namespace lumiro::maintenance
