// The print module "Moduł wydruku": the text printouts' engine and the window that shows the
// last printout's buffer and the settings that steer the engine. One object for the whole
// run, created at start (which loads the stored settings); the window is shown when a
// buffered printout ends without being printed at once, and from the menu.
#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "textreports/text_print_engine.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace lumiro::platform {
class Prompter;
class SettingsStore;
}  // namespace lumiro::platform

namespace lumiro::components {
class DataGrid;
}

namespace lumiro::textreports {

class TDRUKTYT;

struct PrintModuleServices {
    platform::Prompter* prompter = nullptr;  // required
    // The settings' store; the system's own under "SOFTWARE\VX\DRUK" when not set.
    std::function<std::unique_ptr<platform::SettingsStore>()> openStore;
    // The page heading: the company short name, the program's title, today as YYYY.MM.DD.
    std::function<QString()> companyLabel;
    QString applicationTitle = QStringLiteral("Lumiro 7.0");
    std::function<QString()> today;
    // The progress window.
    std::function<void(const QString&, int)> progressStart;
    std::function<void()> progressStep;
    std::function<void()> progressStop;
    // The installed printers and the system's default; the print system's when not set.
    std::function<QStringList()> installedPrinters;
    std::function<QString()> defaultPrinter;
    // Whether a machine without printers is warned when the module is made. Off for runs
    // without a screen, which never print on paper.
    bool warnWithoutPrinter = true;
    // Each of the following has the program's own default when not set: the save dialog,
    // the current printer with the page set up in the window, the port devices, the printer
    // set-up dialog (true when confirmed), the title prompt.
    std::function<std::optional<QString>()> chooseExportFile;
    std::function<std::unique_ptr<PageCanvas>()> openPrinter;
    std::function<PortOpening(const QString& device)> openPort;
    std::function<bool(QPrinter& printer)> setUpPrinter;
    std::function<QString(const QString& current)> askTitle;
    // Where printer devices are looked for to suggest one for a port.
    QString deviceRoot = QStringLiteral("/dev");
};

class TDRUK : public QWidget {
    Q_OBJECT

  public:
    explicit TDRUK(PrintModuleServices services, QWidget* parent = nullptr);
    ~TDRUK() override;

    TextPrintEngine& engine() { return *engine_; }
    PrintSettings& settings() { return engine_->settings(); }

    // The engine's operations as the rest of the program calls them (TextPrintEngine says
    // what each does).
    bool OtworzWydruk(const QString& title, bool askTitle, int total, int headingCount,
                      bool pageHeading) {
        return engine_->OtworzWydruk(title, askTitle, total, headingCount, pageHeading);
    }
    void setNaglowek(int number, const QString& line) { engine_->setNaglowek(number, line); }
    void setNatychmiast(bool on) { engine_->setNatychmiast(on); }
    void DrukujLinie(const QString& line) { engine_->DrukujLinie(line); }
    void KrokWydruku() { engine_->KrokWydruku(); }
    void ZamknijWydruk(bool endLine) { engine_->ZamknijWydruk(endLine); }
    void DrukujTabele(components::DataGrid& grid, const QString& title);
    void DrukujTabeleX(components::DataGrid& grid, const QString& title, const QString& sumFields,
                       int extraHeadings);
    // An information note, printed at once through the buffer.
    void printNote(const QStringList& lines) { engine_->printNote(lines); }

    // "Moduł wydruku": shows the window (not modally) with the current settings.
    void openWindow();

    // Sets the controls from the settings; runs whenever the window is shown.
    void FormShow();
    void KDRUKClick();
    void KZAPISZClick();
    void SpeedButton1Click();

    QRadioButton& EWINDOWS() { return *EWINDOWS_; }
    QComboBox& EDRUKARKA() { return *EDRUKARKA_; }
    QToolButton& SpeedButton1() { return *SpeedButton1_; }
    QRadioButton& EDOS() { return *EDOS_; }
    QComboBox& EPORT() { return *EPORT_; }
    // The device the chosen port is written to, with the printer devices found offered.
    QComboBox& EURZADZENIE() { return *EURZADZENIE_; }
    QLabel& deviceHint() { return *deviceHint_; }
    QRadioButton& EEXPORT() { return *EEXPORT_; }
    QRadioButton& BW() { return *BW_; }
    QCheckBox& CheckBox1() { return *CheckBox1_; }
    QRadioButton& ERD(int item) { return *ERD_[std::size_t(item)]; }
    QRadioButton& EPL(int item) { return *EPL_[std::size_t(item)]; }
    QPushButton& KDRUK() { return *KDRUK_; }
    QPushButton& KZAPISZ() { return *KZAPISZ_; }
    QLineEdit& MARGINESG() { return *MARGINESG_; }
    QLineEdit& MARGINESL() { return *MARGINESL_; }
    QLineEdit& WIERSZY() { return *WIERSZY_; }
    QCheckBox& EPodzial() { return *EPodzial_; }
    QCheckBox& EBUFOR() { return *EBUFOR_; }
    QPlainTextEdit& EDRUK() { return *EDRUK_; }
    // The page set up in the printer dialog, used for the printer's jobs.
    const std::optional<QPageLayout>& pageLayout() const { return pageLayout_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    class EditorBuffer;

    void buildLayout();
    void FormCreate();
    void EWINDOWSClick(QRadioButton* clicked);
    void EDRUKARKAChange(int index);
    void EPORTChange(int index);
    void showPortDevice();
    std::unique_ptr<platform::SettingsStore> openStore() const;

    PrintModuleServices services_;
    std::unique_ptr<EditorBuffer> buffer_;
    std::unique_ptr<TextPrintEngine> engine_;
    TDRUKTYT* titlePrompt_ = nullptr;
    std::optional<QPageLayout> pageLayout_;
    // The handler's own checking and unchecking of the destination buttons is not a click.
    bool settingDestination_ = false;
    bool showingSettings_ = false;

    QRadioButton* EWINDOWS_;
    QComboBox* EDRUKARKA_;
    QToolButton* SpeedButton1_;
    QRadioButton* EDOS_;
    QComboBox* EPORT_;
    QComboBox* EURZADZENIE_;
    QLabel* deviceHint_;
    QRadioButton* EEXPORT_;
    QRadioButton* BW_;
    QCheckBox* CheckBox1_;
    std::array<QRadioButton*, 4> ERD_;
    std::array<QRadioButton*, 4> EPL_;
    QPushButton* KDRUK_;
    QPushButton* KZAPISZ_;
    QLineEdit* MARGINESG_;
    QLineEdit* MARGINESL_;
    QLineEdit* WIERSZY_;
    QCheckBox* EPodzial_;
    QCheckBox* EBUFOR_;
    QPlainTextEdit* EDRUK_;
};

}  // namespace lumiro::textreports
