// The main working window: one payer's index of employees, the form pages of the current
// employee around it, and the commands that add, copy, delete, save, search and sort cards.
// It keeps no copy of the data; everything it shows follows the data module's tables and
// their master links (payer -> employees -> detail rows).
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "records/form_page.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace lumiro::components {
class DataGrid;
class DataNavigator;
class DataSource;
class DbEdit;
class PageControl;
}  // namespace lumiro::components

namespace lumiro::data {
class Tdane;
}

namespace lumiro::records {

class TKADF9;
class TFIRMAF;

// What the window opens that lives elsewhere in the program. Every member may be left empty;
// the matching command then does nothing.
struct EmployeeIndexServices {
    QString applicationTitle = QStringLiteral("Lumiro 7.0");
    std::function<void(InformationNote)> openNote;  // "Informacja"
    std::function<void()> openAbout;                // "O programie"
    // The help document at the topic of a help context number; 0 is its first topic
    // ("Pomoc", or F1 where no control carries a number).
    std::function<void(int context)> openHelp;
    // The progress window of long loops: title and maximum, one step, end.
    std::function<void(const QString&, int)> progressStart;
    std::function<void()> progressStep;
    std::function<void()> progressStop;
    // Reminds the user to archive when the set number of days has passed; called each time
    // the window closes, after every table was saved.
    std::function<void()> archiveReminder;
    // Commands of the other parts of the program (printouts, text reports, maintenance) by
    // the path of their menu item, e.g. "Wydruki/Wydruk Rp-7" or "Narzędzia/Export /ZAR.DB".
    // An item without its command is shown and cannot be chosen.
    std::map<QString, std::function<void()>> menuCommands;
};

class TKadF : public QMainWindow {
    Q_OBJECT

  public:
    // Help context numbers of the page control, the navigator and the name search.
    static constexpr int kPagesHelp = 1;
    static constexpr int kNavigatorHelp = 3;
    static constexpr int kNameSearchHelp = 4;

    // The data module must outlive the window.
    TKadF(data::Tdane& dane, EmployeeIndexServices services, QWidget* parent = nullptr);
    ~TKadF() override;

    // "NR", cut or padded to four characters, " - ", the payer's name.
    static QString payerEntry(std::int64_t number, const QString& name);
    // Replaces what the window opens elsewhere; commands without a service stay disabled.
    void setServices(EmployeeIndexServices services);

    components::PageControl& PageControl1() { return *PageControl1_; }
    components::DataGrid& XDBGrid1() { return *XDBGrid1_; }
    components::DataNavigator& DBNavigator1() { return *DBNavigator1_; }
    QComboBox& ERD() { return *ERD_; }
    QLineEdit& Enazwa() { return *Enazwa_; }
    QLineEdit& EPESEL() { return *EPESEL_; }
    QLineEdit& ENIP() { return *ENIP_; }
    QStatusBar& Stan() { return *Stan_; }
    QString countText() const;
    components::DataSource& ZZLEC() { return *ZZLEC_; }
    components::DataSource& ZRP7() { return *ZRP7_; }
    // The payer field bound to `column` of the payer table.
    components::DbEdit* payerEdit(const QString& column) const;
    QPushButton& savePayerButton() { return *savePayerButton_; }
    QToolButton& payersButton() { return *payersButton_; }

    QToolButton& newButton() { return *newButton_; }
    QToolButton& saveButton() { return *saveButton_; }
    QToolButton& copyButton() { return *copyButton_; }
    QToolButton& deleteButton() { return *deleteButton_; }
    QToolButton& importButton() { return *importButton_; }
    // A menu item by its caption, searched through every menu; nullptr when there is none.
    QAction* menuItem(const QString& caption) const;
    // Runs the command of a menu path given by the services (what the item runs).
    void runMenuCommand(const QString& path);
    const std::vector<FormPage*>& formPages() const { return formPages_; }

    // Builds the payer list again and makes its first entry the current payer.
    void FormCreate();
    void FormShow();
    void FormClose();
    void ERDChange(const QString& text);
    void EnazwaChange(QLineEdit* edit);
    void XDBGrid1TitleClick(int column);

    // "Nowa pozycja", "Zapisz dane", "Kopiuj pozycję", "Usuń pozycję".
    void newEmployee();
    void saveAll();
    void copyEmployee();
    void deleteEmployee();
    void savePayer();
    void deleteDemonstrationData();
    // The payers and company windows, modal; the payer list is built again afterwards.
    void openPayers();
    void openCompany();
    // The help at the topic of a help context number (0: the first topic).
    void openHelp(int context);
    // "Ilość pozycji" of the status bar: the employees of the current payer.
    void showCount();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildIndexPage();
    void pageChanged(int index);
    // Makes the payer whose number begins `text` current; nothing changes when there is none.
    void choosePayer(const QString& text);
    // Writes typed text of every control of the window into its record buffer, for commands
    // that do not touch a table themselves (the tables ask for it before they post or move).
    void writePendingInput();
    void selectIndex(const std::string& name);
    void updateServiceItems();

    data::Tdane& dane_;
    EmployeeIndexServices services_;
    std::unique_ptr<FormPagesContext> pagesContext_;
    components::DataSource* ZZLEC_;
    components::DataSource* ZRP7_;

    QToolButton* newButton_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QToolButton* copyButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QToolButton* importButton_ = nullptr;
    components::PageControl* PageControl1_ = nullptr;
    components::DataNavigator* DBNavigator1_ = nullptr;
    QStatusBar* Stan_ = nullptr;
    QLabel* stanPanel_ = nullptr;
    QComboBox* ERD_ = nullptr;
    QToolButton* payersButton_ = nullptr;
    std::vector<components::DbEdit*> payerEdits_;
    QPushButton* savePayerButton_ = nullptr;
    components::DataGrid* XDBGrid1_ = nullptr;
    std::vector<QAction*> commandItems_;
    QLineEdit* Enazwa_ = nullptr;
    QLineEdit* EPESEL_ = nullptr;
    QLineEdit* ENIP_ = nullptr;
    std::vector<FormPage*> formPages_;
    int currentPage_ = 0;
    bool buildingPayerList_ = false;

    TKADF9* payersWindow_ = nullptr;
    TFIRMAF* companyWindow_ = nullptr;
};

}  // namespace lumiro::records
