#include "textreports/gui/print_module_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "components/edit_mask.h"
#include "platform/current_printer.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "textreports/gui/grid_table_source.h"
#include "textreports/gui/painter_canvas.h"
#include "textreports/gui/text_fonts.h"
#include "textreports/gui/title_prompt.h"
#include "textreports/text_routines.h"

namespace lumiro::textreports {
namespace {

const QString kNoPrinter = QStringLiteral("Uwaga nie posiadasz zainstalowanej drukarki !!");

// The margins and the page length: two digits, blanks allowed.
QLineEdit* twoDigitEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setInputMask(components::EditMask(QStringLiteral("99;1; ")).qtMask());
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    return edit;
}

// A typed text without its blanks; anything that is not a number, or is negative, is 0.
int typedCount(const QString& text) {
    bool ok = false;
    const int value = BezSpacji(text).toInt(&ok);
    return ok && value >= 0 ? value : 0;
}

}  // namespace

// The buffer is the window's editor, so that the user can read and correct a printout before
// printing it. Lines are gathered and put into the editor at once when it is next read or
// shown: one insertion per line would lay the document out again for each.
class TDRUK::EditorBuffer : public TextBuffer {
  public:
    explicit EditorBuffer(QPlainTextEdit& editor) : editor_(editor) {}

    void clear() override {
        pending_.clear();
        editor_.clear();
    }
    void appendLine(const QString& line) override {
        pending_ += line;
        pending_ += u'\n';
    }
    void setText(const QString& text) override {
        pending_.clear();
        editor_.setPlainText(text);
    }
    QString text() const override {
        flush();
        return editor_.toPlainText();
    }
    void setFont(const QString& family, int points) override {
        flush();
        editor_.setFont(textFont(family, points));
    }
    void flush() const {
        if (pending_.isEmpty()) return;
        QTextCursor cursor(editor_.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(pending_);
        pending_.clear();
    }

  private:
    QPlainTextEdit& editor_;
    mutable QString pending_;
};

TDRUK::TDRUK(PrintModuleServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
    setWindowTitle(QStringLiteral("Moduł wydruku"));
    buildLayout();
    buffer_ = std::make_unique<EditorBuffer>(*EDRUK_);

    TextPrintEngine::Host host;
    host.prompter = services_.prompter;
    host.companyLabel = services_.companyLabel;
    host.applicationTitle = services_.applicationTitle;
    host.today = services_.today;
    host.progressStart = services_.progressStart;
    host.progressStep = services_.progressStep;
    host.progressStop = services_.progressStop;
    host.showWindow = [this] { openWindow(); };
    host.askTitle = services_.askTitle;
    if (!host.askTitle) {
        host.askTitle = [this](const QString& current) {
            if (!titlePrompt_) titlePrompt_ = new TDRUKTYT(this);
            return titlePrompt_->ask(current);
        };
    }
    host.chooseExportFile = services_.chooseExportFile;
    if (!host.chooseExportFile) {
        host.chooseExportFile = [this]() -> std::optional<QString> {
            QFileDialog dialog(this, QStringLiteral("Zapisz wydruk"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(QStringLiteral("txt"));
            dialog.setNameFilters(
                {QStringLiteral("Pliki tekstowe (*.txt)"), QStringLiteral("Wszystkie pliki (*)")});
            dialog.selectFile(QStringLiteral("eksport.txt"));
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            return dialog.selectedFiles().constFirst();
        };
    }
    host.openPrinter = services_.openPrinter;
    if (!host.openPrinter) {
        host.openPrinter = [this]() -> std::unique_ptr<PageCanvas> {
            return std::make_unique<PrinterCanvas>(platform::currentPrinter(), pageLayout_);
        };
    }
    if (services_.openPort) host.openPort = services_.openPort;
    engine_ = std::make_unique<TextPrintEngine>(std::move(host), buffer_.get());

    FormCreate();
}

TDRUK::~TDRUK() = default;

void TDRUK::buildLayout() {
    auto destinationGroup = [this](const QString& title) {
        auto* group = new QGroupBox(title, this);
        return group;
    };
    auto destinationButton = [this](QWidget* parent, const QString& text) {
        auto* button = new QRadioButton(text, parent);
        // The four buttons sit in different groups; the window keeps one of them checked.
        button->setAutoExclusive(false);
        connect(button, &QRadioButton::toggled, this, [this, button] { EWINDOWSClick(button); });
        return button;
    };

    QGroupBox* windowsGroup = destinationGroup(QStringLiteral("Wydruk WINDOWS"));
    EWINDOWS_ = destinationButton(windowsGroup, QString());
    EDRUKARKA_ = new QComboBox(windowsGroup);
    EDRUKARKA_->setMinimumContentsLength(24);
    SpeedButton1_ = new QToolButton(windowsGroup);
    SpeedButton1_->setText(QStringLiteral("…"));
    SpeedButton1_->setToolTip(QStringLiteral("Ustawienia drukarki"));
    EWINDOWS_->setToolTip(QStringLiteral("Wydruk na drukarce systemowej"));
    auto* windowsLayout = new QGridLayout(windowsGroup);
    windowsLayout->addWidget(EWINDOWS_, 0, 0);
    windowsLayout->addWidget(new QLabel(QStringLiteral("Drukarka :"), windowsGroup), 0, 1);
    windowsLayout->addWidget(EDRUKARKA_, 0, 2);
    windowsLayout->addWidget(SpeedButton1_, 0, 3);
    windowsLayout->setColumnStretch(2, 1);
    windowsLayout->setRowStretch(1, 1);

    QGroupBox* dosGroup = destinationGroup(QStringLiteral("Wydruk DOS"));
    EDOS_ = destinationButton(dosGroup, QString());
    EPORT_ = new QComboBox(dosGroup);
    EPORT_->addItems({QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3")});
    EURZADZENIE_ = new QComboBox(dosGroup);
    EURZADZENIE_->setEditable(true);
    EURZADZENIE_->setInsertPolicy(QComboBox::NoInsert);
    EURZADZENIE_->setMinimumContentsLength(14);
    EURZADZENIE_->setToolTip(
        QStringLiteral("Urządzenie, do którego trafia wydruk na wybrany port: /dev/lp0 dla portu "
                       "równoległego, /dev/usb/lp0 dla drukarki USB albo plik."));
    deviceHint_ = new QLabel(dosGroup);
    deviceHint_->setWordWrap(true);
    deviceHint_->setEnabled(false);  // shown greyed: a hint, not a setting
    EDOS_->setToolTip(QStringLiteral("Wydruk na drukarce podłączonej do portu, z jej kodami "
                                     "sterującymi"));
    auto* dosLayout = new QGridLayout(dosGroup);
    dosLayout->addWidget(EDOS_, 0, 0);
    dosLayout->addWidget(new QLabel(QStringLiteral("Port wydruku :"), dosGroup), 0, 1);
    dosLayout->addWidget(EPORT_, 0, 2);
    dosLayout->addWidget(new QLabel(QStringLiteral("Urządzenie :"), dosGroup), 1, 1);
    dosLayout->addWidget(EURZADZENIE_, 1, 2);
    dosLayout->addWidget(deviceHint_, 2, 1, 1, 2);
    dosLayout->setColumnStretch(2, 1);

    QGroupBox* exportGroup = destinationGroup(QStringLiteral("EXPORT"));
    EEXPORT_ = destinationButton(exportGroup, QString());
    BW_ = destinationButton(exportGroup, QStringLiteral("Bez wycinania"));
    EEXPORT_->setToolTip(QStringLiteral("Plik tekstowy bez linii ramek, pustych wierszy i "
                                        "podziałów stron"));
    BW_->setToolTip(QStringLiteral("Plik tekstowy ze wszystkimi wierszami wydruku"));
    CheckBox1_ = new QCheckBox(QStringLiteral("Plik tekstowy  - TXT"), exportGroup);
    CheckBox1_->setChecked(true);
    CheckBox1_->setEnabled(false);
    auto* exportLayout = new QVBoxLayout(exportGroup);
    exportLayout->addWidget(EEXPORT_);
    exportLayout->addWidget(BW_);
    exportLayout->addWidget(CheckBox1_);

    QGroupBox* parameters = new QGroupBox(QStringLiteral("PARAMETRY"), this);
    auto radioGroup = [parameters](const QString& title, const QStringList& items,
                                   std::array<QRadioButton*, 4>& buttons) {
        auto* box = new QGroupBox(title, parameters);
        auto* layout = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (int i = 0; i < 4; ++i) {
            buttons[std::size_t(i)] = new QRadioButton(items[i], box);
            group->addButton(buttons[std::size_t(i)], i);
            layout->addWidget(buttons[std::size_t(i)]);
        }
        return std::pair{box, group};
    };
    auto [rodzajBox, rodzaj] =
        radioGroup(QStringLiteral("Rodzaj wydruku :"),
                   {QStringLiteral("automatyczny"), QStringLiteral("zagęszczony"),
                    QStringLiteral("normalny"), QStringLiteral("rozstrzelony")},
                   ERD_);
    auto [plBox, pl] = radioGroup(QStringLiteral("Kodowanie polskich liter :"),
                                  {QStringLiteral("brak"), QStringLiteral("MAZOVIA"),
                                   QStringLiteral("LATIN"), QStringLiteral("WINDOWS")},
                                  EPL_);
    connect(rodzaj, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) settings().DRRODZAJ = std::uint8_t(id);
    });
    connect(pl, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) settings().DRPL = std::uint8_t(id);
    });

    MARGINESG_ = twoDigitEdit(parameters);
    MARGINESL_ = twoDigitEdit(parameters);
    WIERSZY_ = twoDigitEdit(parameters);
    connect(MARGINESG_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings().DRGORA = typedCount(text); });
    connect(MARGINESL_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings().DRLEWY = typedCount(text); });
    connect(WIERSZY_, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings().DRLINIDOS = typedCount(text); });
    EPodzial_ = new QCheckBox(QStringLiteral("podział strony"), parameters);
    EBUFOR_ = new QCheckBox(QStringLiteral("bez bufora"), parameters);
    connect(EPodzial_, &QCheckBox::toggled, this, [this](bool on) { settings().DRPODZIAL = on; });
    connect(EBUFOR_, &QCheckBox::toggled, this, [this](bool on) { settings().DRBUFOR = on; });
    auto* edits = new QFormLayout;
    edits->addRow(QStringLiteral("margines górny :"), MARGINESG_);
    edits->addRow(QStringLiteral("margines lewy :"), MARGINESL_);
    edits->addRow(QStringLiteral("wierszy :"), WIERSZY_);
    edits->addRow(EPodzial_);
    edits->addRow(EBUFOR_);
    auto* parametersLayout = new QHBoxLayout(parameters);
    parametersLayout->addWidget(rodzajBox);
    parametersLayout->addWidget(plBox);
    parametersLayout->addLayout(edits);

    KDRUK_ = new QPushButton(QStringLiteral("DRUKUJ"), this);
    KZAPISZ_ = new QPushButton(QStringLiteral("ZAPISZ USTAWIENIA"), this);
    connect(KDRUK_, &QPushButton::clicked, this, &TDRUK::KDRUKClick);
    connect(KZAPISZ_, &QPushButton::clicked, this, &TDRUK::KZAPISZClick);
    connect(SpeedButton1_, &QToolButton::clicked, this, &TDRUK::SpeedButton1Click);
    connect(EDRUKARKA_, &QComboBox::currentIndexChanged, this, &TDRUK::EDRUKARKAChange);
    connect(EPORT_, &QComboBox::currentIndexChanged, this, &TDRUK::EPORTChange);
    connect(EURZADZENIE_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (showingSettings_) return;
        const int port = EPORT_->currentIndex();
        if (port >= 0 && port <= 2) settings().ports[std::size_t(port)] = text.trimmed();
    });

    EDRUK_ = new QPlainTextEdit(this);
    EDRUK_->setLineWrapMode(QPlainTextEdit::NoWrap);
    EDRUK_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    EDRUK_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    EDRUK_->setFont(printerTextFont(8));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(KDRUK_);
    buttons->addWidget(KZAPISZ_);
    buttons->addStretch();

    auto* top = new QGridLayout;
    top->addWidget(windowsGroup, 0, 0);
    top->addWidget(dosGroup, 0, 1);
    top->addWidget(exportGroup, 0, 2);
    top->addWidget(parameters, 1, 0, 1, 2);
    top->addLayout(buttons, 1, 2);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(1, 3);
    top->setColumnStretch(2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(EDRUK_, 1);
    resize(900, 680);
}

std::unique_ptr<platform::SettingsStore> TDRUK::openStore() const {
    if (services_.openStore) return services_.openStore();
    return std::make_unique<platform::SettingsStore>(kSettingsKey);
}

void TDRUK::FormCreate() {
    const QStringList printers = services_.installedPrinters
                                     ? services_.installedPrinters()
                                     : QPrinterInfo::availablePrinterNames();
    {
        const QSignalBlocker quiet(EDRUKARKA_);
        EDRUKARKA_->addItems(printers);
        QString current = platform::currentPrinter();
        if (current.isEmpty())
            current = services_.defaultPrinter ? services_.defaultPrinter()
                                               : QPrinterInfo::defaultPrinterName();
        EDRUKARKA_->setCurrentIndex(int(printers.indexOf(current)));
    }
    // Without a printer the settings are still read: a port or an export file needs none,
    // and storing them later must not put zeros in place of what the user had set.
    if (printers.isEmpty() && services_.warnWithoutPrinter && services_.prompter)
        services_.prompter->warning(kNoPrinter);
    if (std::unique_ptr<platform::SettingsStore> store = openStore())
        settings() = readPrintSettings(*store);
    {
        // Offering a device is not choosing it.
        showingSettings_ = true;
        EURZADZENIE_->addItems(presentPrinterDevices(services_.deviceRoot));
        showingSettings_ = false;
    }
    FormShow();
}

void TDRUK::FormShow() {
    buffer_->flush();
    const PrintSettings s = settings();
    showingSettings_ = true;
    QRadioButton* destinations[] = {EWINDOWS_, EDOS_, EEXPORT_, BW_};
    EWINDOWSClick(destinations[s.DRTYP <= 3 ? s.DRTYP : 0]);
    EPORT_->setCurrentIndex(s.DRPORT <= 2 ? s.DRPORT : 0);
    ERD_[std::size_t(s.DRRODZAJ <= 3 ? s.DRRODZAJ : 0)]->setChecked(true);
    EPL_[std::size_t(s.DRPL <= 3 ? s.DRPL : 0)]->setChecked(true);
    EPodzial_->setChecked(s.DRPODZIAL);
    EBUFOR_->setChecked(s.DRBUFOR);
    MARGINESG_->setText(QString::number(s.DRGORA));
    MARGINESL_->setText(QString::number(s.DRLEWY));
    WIERSZY_->setText(QString::number(s.DRLINIDOS));
    showingSettings_ = false;
    showPortDevice();
}

void TDRUK::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QWidget::showEvent(event);
}

void TDRUK::openWindow() {
    // Printouts and the menu run inside modal windows, which block every window that is not
    // theirs: the module is shown as belonging to the modal window on top, so that it takes
    // input beside it. It stays a window of its own and is not shown modally.
    QWidget* modal = QApplication::activeModalWidget();
    winId();
    windowHandle()->setTransientParent(modal && modal != this ? modal->windowHandle() : nullptr);
    if (isVisible()) FormShow();
    show();
    raise();
    activateWindow();
}

void TDRUK::EWINDOWSClick(QRadioButton* clicked) {
    // Checking and unchecking the buttons below toggles them again; those are not clicks.
    if (settingDestination_) return;
    settingDestination_ = true;
    QRadioButton* destinations[] = {EWINDOWS_, EDOS_, EEXPORT_, BW_};
    for (int i = 0; i < 4; ++i) {
        destinations[i]->setChecked(destinations[i] == clicked);
        if (destinations[i] == clicked) settings().DRTYP = std::uint8_t(i);
    }
    settingDestination_ = false;
}

void TDRUK::EDRUKARKAChange(int index) {
    if (index < 0) return;
    platform::setCurrentPrinter(EDRUKARKA_->itemText(index));
    // A page set up for another printer may not exist on this one.
    pageLayout_.reset();
}

void TDRUK::EPORTChange(int index) {
    if (index >= 0 && index <= 2) settings().DRPORT = std::uint8_t(index);
    showPortDevice();
}

void TDRUK::showPortDevice() {
    const int port = settings().DRPORT <= 2 ? settings().DRPORT : 0;
    const QString device = settings().ports[std::size_t(port)];
    {
        const bool was = showingSettings_;
        showingSettings_ = true;
        EURZADZENIE_->setEditText(device);
        showingSettings_ = was;
    }
    QStringList present;
    for (int i = 0; i < EURZADZENIE_->count(); ++i) present << EURZADZENIE_->itemText(i);
    if (present.isEmpty() || present.contains(device)) {
        deviceHint_->clear();
    } else {
        deviceHint_->setText(QStringLiteral("Wykryte urządzenia drukarek: %1")
                                 .arg(present.join(QStringLiteral(", "))));
    }
}

void TDRUK::SpeedButton1Click() {
    if (EDRUKARKA_->currentIndex() < 0) {
        if (services_.prompter) services_.prompter->warning(kNoPrinter);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(EDRUKARKA_->currentText());
    if (pageLayout_) printer.setPageLayout(*pageLayout_);
    const bool confirmed = services_.setUpPrinter
                               ? services_.setUpPrinter(printer)
                               : QPageSetupDialog(&printer, this).exec() == QDialog::Accepted;
    if (confirmed) pageLayout_ = printer.pageLayout();
}

void TDRUK::KDRUKClick() {
    buffer_->flush();
    QTextCursor cursor = EDRUK_->textCursor();
    const QString text = cursor.hasSelection() ? cursor.selectedText() : EDRUK_->toPlainText();
    engine_->printBuffer(text);
    cursor.clearSelection();
    EDRUK_->setTextCursor(cursor);
}

void TDRUK::KZAPISZClick() {
    std::unique_ptr<platform::SettingsStore> store = openStore();
    if (store && storePrintSettings(*store, settings())) return;
    if (services_.prompter)
        services_.prompter->error(
            QStringLiteral("Nie udało się zapisać ustawień wydruku. Zmiany obowiązują do końca "
                           "tej pracy z programem, ale po ponownym uruchomieniu wrócą "
                           "poprzednie ustawienia."));
}

void TDRUK::DrukujTabele(components::DataGrid& grid, const QString& title) {
    GridTableSource source(grid);
    engine_->DrukujTabele(source, title);
}

void TDRUK::DrukujTabeleX(components::DataGrid& grid, const QString& title,
                          const QString& sumFields, int extraHeadings) {
    GridTableSource source(grid);
    engine_->DrukujTabeleX(source, title, sumFields, extraHeadings);
}

}  // namespace lumiro::textreports
