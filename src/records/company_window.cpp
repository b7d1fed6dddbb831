#include "records/company_window.h"

#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "components/data_controls.h"
#include "components/data_source.h"
#include "components/page_control.h"
#include "data/data_module.h"
#include "data/table_text.h"
#include "platform/program_paths.h"
#include "records/id_number_indicator.h"

namespace lumiro::records {

namespace {

using components::DbCheckBox;
using components::DbComboBox;
using components::DbEdit;
using engine::Table;
using engine::TableState;

constexpr int kLogoPage = 5;
constexpr QSize kLogoBox(280, 160);

// The head-office fields whose exit fills the residential address and the district names.
const char16_t* const kHeadOfficeFields[] = {u"ULICA",  u"NUMER",       u"LOKAL", u"KOD",
                                             u"POCZTA", u"WOJEWODZTWO", u"KRAJ",  u"POWIAT",
                                             u"GMINA",  u"MIEJSCOWOSC"};

// Where a post office usually names the district, the commune and the town as well.
const char* const kFilledFromPostOffice[] = {"POWIAT",  "GMINA",  "MIEJSCOWOSC",
                                             "ZPOWIAT", "ZGMINA", "ZMIEJSCOWOSC"};

bool isBlank(const Table& table, int field) {
    if (table.isNull(field)) return true;
    const std::string text = table.asString(field);
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

QFormLayout* makeForm() {
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    return form;
}

QLabel* makeNote(const QString& text, QWidget* parent) {
    auto* note = new QLabel(text, parent);
    note->setWordWrap(true);
    QFont font = note->font();
    font.setItalic(true);
    note->setFont(font);
    return note;
}

}  // namespace

const QStringList& provinceNames() {
    static const QStringList names = {
        QStringLiteral("DOLNOŚLĄSKIE"),   QStringLiteral("KUJAWSKO - POMORSKIE"),
        QStringLiteral("LUBELSKIE"),      QStringLiteral("LUBUSKIE"),
        QStringLiteral("ŁÓDZKIE"),        QStringLiteral("MAŁOPOLSKIE"),
        QStringLiteral("MAZOWIECKIE"),    QStringLiteral("OPOLSKIE"),
        QStringLiteral("PODKARPACKIE"),   QStringLiteral("PODLASKIE"),
        QStringLiteral("POMORSKIE"),      QStringLiteral("ŚLĄSKIE"),
        QStringLiteral("ŚWIĘTOKRZYSKIE"), QStringLiteral("WARMIŃSKO - MAZURSKIE"),
        QStringLiteral("WIELKOPOLSKIE"),  QStringLiteral("ZACHODNIPOMORSKIE")};
    return names;
}

QImage loadLogoPicture() {
    QImage picture;
    if (const auto path = platform::findExisting(QStringLiteral("logo.bmp")))
        if (!picture.load(*path)) picture = QImage();
    return picture;
}

TFIRMAF::TFIRMAF(data::Tdane& dane, const QImage& logo, QWidget* parent)
    : QDialog(parent),
      dane_(dane),
      logo_(logo),
      Zfirma_(new components::DataSource(dane.TFIRMA, dane.prompter(), this)) {
    setWindowTitle(QStringLiteral("Dane o Firmie"));

    STRONY_ = new components::PageControl(this);
    STRONY_->setObjectName(QStringLiteral("STRONY"));
    STRONY_->addTab(identificationPage(), QStringLiteral("Dane identyfikacyjne i ewidencyjne"));
    STRONY_->addTab(addressPage(QString(), true), QStringLiteral("Adres siedziby"));
    STRONY_->addTab(addressPage(QStringLiteral("Z"), false), QStringLiteral("Adres zamieszkana"));
    STRONY_->addTab(bankPage(), QStringLiteral("Rachunki bankowe"));
    STRONY_->addTab(otherPage(), QStringLiteral("Inne parametry"));
    STRONY_->addTab(logoPage(), QStringLiteral("Logo Firmy"));
    connect(STRONY_, &components::PageControl::currentChanged, this, [this](int page) {
        if (page == kLogoPage) STRONA6Show();
    });

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addWidget(STRONY_, 1);
    layout->addWidget(statusBar_);
    // The long tab captions wrap into rows as the width needs.
    resize(sizeHint());
}

TFIRMAF::~TFIRMAF() = default;

void TFIRMAF::setHint(QWidget* widget, const QString& hint) {
    if (hint.isEmpty()) return;
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

DbEdit* TFIRMAF::makeEdit(const QString& column, const QString& hint, int widthChars) {
    auto* edit = new DbEdit(Zfirma_, column);
    edit->setObjectName(u'E' + column);
    const int chars = widthChars > 0 ? widthChars : std::clamp(edit->link().maxLength(), 6, 46);
    // Numbers are typed into most short fields, and digits are wider than the average letter.
    const int charWidth =
        std::max(fontMetrics().averageCharWidth(), fontMetrics().horizontalAdvance(u'0'));
    edit->setFixedWidth(charWidth * chars + 18);
    setHint(edit, hint);
    return edit;
}

DbComboBox* TFIRMAF::makeComboBox(const QString& column, bool listOnly, const QStringList& items,
                                  const QString& hint) {
    auto* box = new DbComboBox(Zfirma_, column, listOnly);
    box->setObjectName(u'E' + column);
    box->setItems(items);
    int chars = 6;
    for (const QString& item : items) chars = std::max<int>(chars, int(item.size()));
    box->setFixedWidth(fontMetrics().averageCharWidth() * chars + 48);
    setHint(box, hint);
    return box;
}

QWidget* TFIRMAF::withIndicator(DbEdit* edit, int kind) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    auto* indicator = new IdNumberIndicator(IdNumberKind(kind), edit, row);
    indicator->setObjectName(QStringLiteral("check") + edit->objectName().mid(1));
    layout->addWidget(indicator);
    layout->addStretch();
    return row;
}

QWidget* TFIRMAF::identificationPage() {
    auto* page = new QWidget;
    auto* form = makeForm();
    form->addRow(QStringLiteral("NIP"),
                 withIndicator(makeEdit(QStringLiteral("NIP")), int(IdNumberKind::Nip)));
    form->addRow(QStringLiteral("REGON"),
                 withIndicator(makeEdit(QStringLiteral("REGON")), int(IdNumberKind::Regon)));
    form->addRow(QStringLiteral("nazwa skrocona"),
                 makeEdit(QStringLiteral("SKROT"),
                          QStringLiteral("Nazwa skrócona używana w programie Płatnik")));
    form->addRow(QStringLiteral("wpis do rejestru"),
                 makeEdit(QStringLiteral("RHB"),
                          QStringLiteral("Symbol i numer wpisu do rejestru oraz nazwa rejestru")));
    auto* name = new QWidget;
    auto* nameLines = new QVBoxLayout(name);
    nameLines->setContentsMargins(0, 0, 0, 0);
    nameLines->setSpacing(2);
    nameLines->addWidget(makeEdit(QStringLiteral("NAZWA1"), QStringLiteral("Pełna nazwa firmy")));
    nameLines->addWidget(makeEdit(QStringLiteral("NAZWA2"), QStringLiteral("Pełna nazwa firmy")));
    form->addRow(QStringLiteral("nazwa firmy"), name);
    form->addRow(
        QStringLiteral("Rodzaj płatnika "),
        makeComboBox(QStringLiteral("RP"), true,
                     {QStringLiteral("P - Osoba Prawna"), QStringLiteral("F - Osoba Fizyczna")},
                     QStringLiteral("Rodzaj platnika - proszę wybrać ze słownika")));

    auto* person = new QGroupBox(QStringLiteral("Osoba fizyczna :"));
    setHint(person, QStringLiteral("Dane osoby prowadzącej dzialalność gospodarczą"));
    auto* personForm = makeForm();
    personForm->addRow(QStringLiteral("nazwisko"), makeEdit(QStringLiteral("NAZWISKO")));
    personForm->addRow(QStringLiteral("imię"), makeEdit(QStringLiteral("IMIE")));
    personForm->addRow(QStringLiteral("PESEL"),
                       withIndicator(makeEdit(QStringLiteral("PESEL")), int(IdNumberKind::Pesel)));
    personForm->addRow(QStringLiteral("data urodzenia (dzień-miesiąc-rok)"),
                       makeEdit(QStringLiteral("DATAUR")));
    personForm->addRow(QStringLiteral("rodzaj dok."),
                       makeComboBox(QStringLiteral("RD"), false, {}));
    personForm->addRow(QStringLiteral("seria i numer dkumentu"), makeEdit(QStringLiteral("NRD")));
    person->setLayout(personForm);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(person);
    layout->addStretch();
    return page;
}

QWidget* TFIRMAF::addressPage(const QString& prefix, bool headOffice) {
    auto* page = new QWidget;
    auto* form = makeForm();
    page->setLayout(form);
    auto add = [&](const QString& label, const QString& column) {
        DbEdit* edit = makeEdit(prefix + column);
        form->addRow(label, edit);
        return edit;
    };
    add(QStringLiteral("ulica"), QStringLiteral("ULICA"));
    add(QStringLiteral("numer domu"), QStringLiteral("NUMER"));
    add(QStringLiteral("numer lokalu"), QStringLiteral("LOKAL"));
    add(QStringLiteral("kod pocztowy"), QStringLiteral("KOD"));
    add(QStringLiteral("poczta"), QStringLiteral("POCZTA"));
    add(QStringLiteral("kraj"), QStringLiteral("KRAJ"));
    DbComboBox* province =
        makeComboBox(prefix + QStringLiteral("WOJEWODZTWO"), false, provinceNames());
    form->addRow(QStringLiteral("województwo"), province);
    add(QStringLiteral("powiat"), QStringLiteral("POWIAT"));
    add(QStringLiteral("gmina"), QStringLiteral("GMINA"));
    add(QStringLiteral("miejscowość"), QStringLiteral("MIEJSCOWOSC"));
    if (headOffice) {
        add(QStringLiteral("e-mail"), QStringLiteral("EMAIL"));
        add(QStringLiteral("WWW"), QStringLiteral("WWW"));
        for (const char16_t* field : kHeadOfficeFields) {
            // The page is not yet a child of the window while it is built.
            QWidget* control = page->findChild<QWidget*>(u'E' + QString::fromUtf16(field));
            if (auto* edit = qobject_cast<DbEdit*>(control))
                connect(edit, &DbEdit::exited, this, [this, edit] { EULICAExit(edit); });
            else if (auto* box = qobject_cast<DbComboBox*>(control))
                connect(box, &DbComboBox::exited, this, [this, box] { EULICAExit(box); });
        }
    }
    return page;
}

QWidget* TFIRMAF::bankPage() {
    auto* page = new QWidget;
    setHint(page, QStringLiteral("Rachunki bankowe firmy"));
    auto* layout = new QVBoxLayout(page);
    const QString address[] = {QStringLiteral("ADRES1"), QStringLiteral("ADRES2"),
                               QStringLiteral("ADRES3")};
    const QString bank[] = {QStringLiteral("BANK"), QStringLiteral("BANK2"),
                            QStringLiteral("BANK3")};
    const QString account[] = {QStringLiteral("NUM1"), QStringLiteral("NUM2"),
                               QStringLiteral("NUM3")};
    for (int i = 0; i < 3; ++i) {
        auto* form = makeForm();
        const QString n = QString::number(i + 1);
        form->addRow(QStringLiteral("nazwa banku %1 :").arg(n), makeEdit(bank[i]));
        form->addRow(QStringLiteral("adres banku %1 :").arg(n), makeEdit(address[i]));
        form->addRow(QStringLiteral("rachunek %1 :").arg(n), makeEdit(account[i]));
        layout->addLayout(form);
        if (i < 2) layout->addSpacing(14);
    }
    layout->addStretch();
    return page;
}

QWidget* TFIRMAF::otherPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* office =
        new QLabel(QStringLiteral("Urząd skarbowy, do którego składana jest deklaracja"));
    layout->addWidget(office);
    layout->addWidget(makeEdit(QStringLiteral("URZAD"), QStringLiteral("Nazwa urzędu skarbowego")));
    layout->addSpacing(8);

    auto* path = new QGroupBox(QStringLiteral(" Ścieżka dostępu do plików : "));
    auto* pathLayout = new QVBoxLayout(path);
    pathLayout->addWidget(
        makeEdit(QStringLiteral("DR"),
                 QStringLiteral("Ścieżka dostępu musi kończyć się znakiem \\ (np. D:\\DANE\\)")));
    pathLayout->addWidget(makeNote(QStringLiteral("Jeżeli ścieżka dostępu jest pusta to dane "
                                                  "znajdują się w tym samym katalogu co program."),
                                   path));
    layout->addWidget(path);

    auto* year = new QGroupBox(QStringLiteral(" Rok obrachunkowy "));
    auto* yearLayout = new QVBoxLayout(year);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("Data początku okresu obrachunkowego :")));
    DbEdit* start = makeEdit(QStringLiteral("OBRDATA"), {}, 7);
    start->setEditMask(QStringLiteral("99.99;1; "));
    yearRow->addWidget(start);
    yearRow->addWidget(new QLabel(QStringLiteral("[ mm.dd ]")));
    yearRow->addStretch();
    yearLayout->addLayout(yearRow);
    yearLayout->addWidget(makeNote(QStringLiteral("Jeżeli data początku okresu nie jest wpisana "
                                                  "to okres obrachunkowy zaczyna się 01.01."),
                                   year));
    layout->addWidget(year);

    auto* archive = new QGroupBox(QStringLiteral("Archiwowanie "));
    auto* archiveForm = makeForm();
    DbEdit* archived = makeEdit(QStringLiteral("ARCHDATA"));
    archived->setReadOnly(true);
    archived->setFocusPolicy(Qt::NoFocus);
    archiveForm->addRow(QStringLiteral("Data ostatniej aktualizacji archiwum :"), archived);
    auto* interval = new QWidget;
    auto* intervalRow = new QHBoxLayout(interval);
    intervalRow->setContentsMargins(0, 0, 0, 0);
    intervalRow->addWidget(makeEdit(QStringLiteral("ARCHDNI"), {}, 6));
    intervalRow->addWidget(new QLabel(QStringLiteral("dni.")));
    intervalRow->addStretch();
    archiveForm->addRow(QStringLiteral("Okres aktualizacji archiwum :"), interval);
    archive->setLayout(archiveForm);
    layout->addWidget(archive);
    layout->addStretch();
    return page;
}

QWidget* TFIRMAF::logoPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Logo firmy do wydruku na fakturze:")));

    logoBox_ = new QLabel;
    logoBox_->setObjectName(QStringLiteral("logoBox"));
    logoBox_->setFrameShape(QFrame::StyledPanel);
    logoBox_->setFrameShadow(QFrame::Sunken);
    logoBox_->setAlignment(Qt::AlignCenter);
    const int frame = 2 * logoBox_->frameWidth();
    logoBox_->setFixedSize(kLogoBox + QSize(frame, frame));
    layout->addWidget(logoBox_);

    logoSize_ = new QLabel;
    layout->addWidget(logoSize_);
    auto* print = new DbCheckBox(Zfirma_, QStringLiteral("LOGO"),
                                 QStringLiteral("Wydruk logo na dokumentach"));
    print->setObjectName(QStringLiteral("ELOGO"));
    layout->addWidget(print);
    layout->addSpacing(8);
    layout->addWidget(makeNote(
        QStringLiteral("Logo należy przygotować jako plik BMP o nazwie LOGO (logo.bmp) i umieścić "
                       "go w katalogu programu. Logo o wymiarach 5 cm na 2,5 cm powinno mieć "
                       "600 na 300 pikseli dla drukarki o rozdzielczości 300×300 dpi oraz "
                       "1200 na 600 pikseli dla drukarki o rozdzielczości 600×600 dpi."),
        page));
    layout->addStretch();
    return page;
}

QWidget* TFIRMAF::control(const QString& column) const {
    return findChild<QWidget*>(u'E' + column);
}

DbEdit* TFIRMAF::edit(const QString& column) const {
    return qobject_cast<DbEdit*>(control(column));
}

IdNumberIndicator* TFIRMAF::indicator(const QString& column) const {
    return findChild<IdNumberIndicator*>(QStringLiteral("check") + column);
}

void TFIRMAF::openModal() {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    exec();
}

void TFIRMAF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFIRMAF::FormShow() {
    for (int i = 0; i < STRONY_->count(); ++i) STRONY_->setTabVisible(i, true);
    // Without the company table there is nothing to show; the window goes as it came.
    if (!dane_.TFIRMA.isOpen()) {
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    STRONY_->setCurrentIndex(0);
    const int dr = dane_.TFIRMA.fieldIndex("DR");
    storedRoot_ = dr >= 0 && !dane_.TFIRMA.isEmpty()
                      ? data::fromTable(dane_.TFIRMA.asString(dr)).trimmed()
                      : QString();
}

void TFIRMAF::FormClose() {
    confirmDataRoot();
    Zfirma_->run([this] { dane_.ZapiszRekord(dane_.TFIRMA); });
    Zfirma_->run([this] { dane_.ZapiszRekord(dane_.TPARA); });
}

void TFIRMAF::confirmDataRoot() {
    Table& company = dane_.TFIRMA;
    if (!company.isOpen() || !Zfirma_->updateRecord()) return;
    const int dr = company.fieldIndex("DR");
    if (dr < 0 || company.state() == TableState::Browse) return;
    const QString typed = data::fromTable(company.asString(dr)).trimmed();
    if (typed == storedRoot_) return;
    using Problem = data::Tdane::DataRootProblem;
    const Problem problem = dane_.dataRootProblem(typed);
    if (problem == Problem::None) return;
    const QString shown = QDir::toNativeSeparators(
        platform::nativePath(typed.isEmpty() ? dane_.programFolder() : typed));
    const QString question =
        problem == Problem::Missing
            ? QStringLiteral(
                  "Folder danych %1 nie istnieje lub jest niedostępny.\nCzy mimo to "
                  "zapisać tę ścieżkę dostępu do plików? Od następnego uruchomienia "
                  "program będzie szukał danych w tym folderze.")
                  .arg(shown)
            : QStringLiteral(
                  "W folderze %1 nie ma danych programu (folderu BAZA\\KADRY), a "
                  "obecny folder danych %2 je zawiera.\nCzy mimo to zapisać tę ścieżkę "
                  "dostępu do plików? Od następnego uruchomienia program zacznie w tym "
                  "folderze od pustych danych.")
                  .arg(shown, QDir::toNativeSeparators(
                                  platform::nativePath(dane_.values().SciezkaDanych)));
    if (dane_.prompter().confirm(question, platform::MessageIcon::Warning)) return;
    // The path in use stays; everything else typed in the window is saved.
    Zfirma_->run([&] { company.setAsString(dr, data::toTable(storedRoot_)); });
}

void TFIRMAF::done(int result) {
    closing_ = true;
    FormClose();
    QDialog::done(result);
    closing_ = false;
    Q_EMIT payersChanged();
}

void TFIRMAF::EULICAExit(QWidget* control) {
    Table& company = dane_.TFIRMA;
    if (closing_ || !company.isOpen()) return;
    Zfirma_->run([&] {
        // No record and nothing typed: there is nothing to copy, and no empty record to make.
        if (company.state() == TableState::Browse && company.isEmpty()) return;
        dane_.Edytuj(company);
        const QString column = control->objectName().mid(1).left(40);
        const int from = company.fieldIndex(data::toTable(column));
        const int to = company.fieldIndex(data::toTable(u'Z' + column));
        if (from < 0) return;
        if (to >= 0 && isBlank(company, to)) company.setValue(to, company.value(from));
        if (column == u"POCZTA") {
            for (const char* name : kFilledFromPostOffice) {
                const int field = company.fieldIndex(name);
                if (field >= 0 && isBlank(company, field))
                    company.setValue(field, company.value(from));
            }
        }
    });
}

void TFIRMAF::STRONA6Show() {
    if (logo_.isNull()) {
        logoBox_->clear();
    } else {
        logoBox_->setPixmap(QPixmap::fromImage(
            logo_.scaled(kLogoBox, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    logoSize_->setText(QStringLiteral("Wymiar rysuknku :  ") + QString::number(logo_.width()) +
                       QStringLiteral(" / ") + QString::number(logo_.height()));
}

bool TFIRMAF::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        statusBar_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

}  // namespace lumiro::records
