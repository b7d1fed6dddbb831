#include "maintenance/archive_window.h"

#include <QCoreApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <exception>

#include "data/data_module.h"
#include "data/table_text.h"
#include "maintenance/archive.h"

namespace lumiro::maintenance {
namespace {

const QString kArchiveFolder = QStringLiteral("ARCHIWUM");

std::string engineFolder(const QString& programPath) {
    std::string path = data::enginePath(programPath);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.empty() ? std::string(".") : path;
}

std::vector<std::string> years(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& y : list) out.push_back(data::enginePath(y));
    return out;
}

std::optional<QDate> dateOf(const QString& text) {
    if (text.size() != 10) return std::nullopt;
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy.MM.dd"));
    if (!d.isValid()) return std::nullopt;
    return d;
}

// What the user learns after a run: why it did nothing, the tables it left out.
QString outcomeText(const Outcome& out, const QString& done) {
    QStringList lines;
    if (!out.error.isEmpty()) lines.append(out.error);
    if (!out.skipped.isEmpty())
        lines.append(QStringLiteral(
                         "Nie odtworzono uszkodzonych tabel archiwum (w folderze danych pozostały "
                         "ich dotychczasowe pliki):\n") +
                     out.skipped.join(u'\n'));
    if (!out.leftOut.isEmpty())
        lines.append(QStringLiteral("Pominięto pliki tabel z rozszerzeniem zapisanym małymi "
                                    "literami:\n") +
                     out.leftOut.join(u'\n'));
    if (lines.isEmpty()) return {};
    if (out.ok && !done.isEmpty()) lines.prepend(done);
    return lines.join(QStringLiteral("\n\n"));
}

}  // namespace

TARCHF1::TARCHF1(QWidget* parent)
    : QDialog(parent), model_(new QFileSystemModel(this)), tree_(new QTreeView(this)) {
    setWindowTitle(QStringLiteral("Wyszukiwanie katalogu"));
    model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    tree_->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
    tree_->header()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 480);
}

QString TARCHF1::choose(const QString& start) {
    const QModelIndex at = model_->index(start);
    if (at.isValid()) {
        tree_->setCurrentIndex(at);
        tree_->scrollTo(at);
    }
    if (exec() != QDialog::Accepted) return {};
    return model_->filePath(tree_->currentIndex());
}

TARCHF::TARCHF(data::Tdane& dane, ArchiveServices services, QWidget* parent)
    : QDialog(parent), dane_(dane), services_(std::move(services)), tab_(new QTabWidget(this)) {
    setWindowTitle(QStringLiteral("Moduł ARCHIWUM"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tab_);
    tab_->addTab(page(false), QStringLiteral("ARCHIWOWANIE"));
    tab_->addTab(page(true), QStringLiteral("ODTWARZANIE"));
    connect(tab_, &QTabWidget::currentChanged, this, &TARCHF::pageShown);
    pageShown(tab_->currentIndex());
    resize(520, 360);
}

TARCHF::~TARCHF() = default;

QWidget* TARCHF::page(bool restore) {
    auto* page = new QWidget(tab_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(
        restore ? QStringLiteral("Odtworzenie plików z archiwum. Podczas odtwarzania zostaną \n"
                                 "przywrócone wszystkie dane ze wszystkich zarchiwizowanych lat.")
                : QStringLiteral("Archiwum zawiera wszystkie bazy danych ze wszystkich lat."),
        page));
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(restore ? QStringLiteral("Ostatnia aktualizacja archiwum : ")
                                          : QStringLiteral("Ostatnia aktualizacja archiwum :"),
                                  page));
    auto* date = new QLabel(page);
    QFont bold = date->font();
    bold.setBold(true);
    date->setFont(bold);
    dateRow->addWidget(date);
    dateRow->addStretch();
    layout->addLayout(dateRow);

    auto* where = new QGroupBox(page);
    auto* whereLayout = new QVBoxLayout(where);
    auto* standard = new QRadioButton(QStringLiteral("domyślna lokalizacja"), where);
    auto* any = new QRadioButton(QStringLiteral("dowolna lokalizacja"), where);
    standard->setChecked(true);
    whereLayout->addWidget(standard);
    whereLayout->addWidget(any);
    layout->addWidget(where);

    auto* group = new QGroupBox(QStringLiteral("Ścieżka do plików archiwum"), page);
    auto* groupLayout = new QHBoxLayout(group);
    auto* edit = new QLineEdit(group);
    auto* browse = new QToolButton(group);
    browse->setText(QStringLiteral("..."));
    groupLayout->addWidget(edit);
    groupLayout->addWidget(browse);
    group->setEnabled(false);
    layout->addWidget(group);
    connect(any, &QRadioButton::toggled, group, &QWidget::setEnabled);
    connect(browse, &QToolButton::clicked, this,
            [this, restore] { restore ? SpeedButton2Click() : SpeedButton1Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* stop = new QPushButton(QStringLiteral("&Przerwij"), page);
    auto* run =
        new QPushButton(restore ? QStringLiteral("Odtwarzaj") : QStringLiteral("Archiwizuj"), page);
    buttons->addWidget(stop);
    buttons->addWidget(run);
    layout->addLayout(buttons);
    connect(stop, &QPushButton::clicked, this, &QDialog::reject);
    connect(run, &QPushButton::clicked, this,
            [this, restore] { restore ? BitBtn4Click() : BitBtn2Click(); });

    (restore ? restorePath_ : archivePath_) = edit;
    (restore ? anyRestore_ : anyArchive_) = any;
    (restore ? restoreGroup_ : archiveGroup_) = group;
    (restore ? restoreDate_ : archiveDate_) = date;
    (restore ? restoreRun_ : archiveRun_) = run;
    return page;
}

void TARCHF::pageShown(int index) {
    // A dialog has one default button; it follows the page.
    if (!archiveRun_ || !restoreRun_) return;
    (index == 1 ? archiveRun_ : restoreRun_)->setDefault(false);
    (index == 1 ? restoreRun_ : archiveRun_)->setDefault(true);
}

Places TARCHF::places() const {
    Places p;
    p.root = engineFolder(dane_.values().SciezkaDanych);
    p.years = years(dane_.ListaLat);
    p.programFolder = engineFolder(dane_.programFolder());
    return p;
}

QRadioButton& TARCHF::anyLocation(bool restore) {
    return *(restore ? anyRestore_ : anyArchive_);
}
QGroupBox& TARCHF::pathGroup(bool restore) {
    return *(restore ? restoreGroup_ : archiveGroup_);
}
QLabel& TARCHF::archiveDate(bool restore) {
    return *(restore ? restoreDate_ : archiveDate_);
}

void TARCHF::FormShow() {
    const QString standard = dane_.values().SciezkaDanych + kArchiveFolder;
    archivePath_->setText(standard);
    restorePath_->setText(standard);
    tab_->setCurrentIndex(0);
    showArchiveDate();
}

void TARCHF::showArchiveDate() {
    engine::Table& firma = dane_.TFIRMA;
    const int column = firma.isOpen() ? firma.fieldIndex("ARCHDATA") : -1;
    const QString date = column >= 0 ? data::fieldText(firma, column) : QString();
    archiveDate_->setText(date);
    restoreDate_->setText(date);
}

void TARCHF::openModal() {
    FormShow();
    exec();
}

QString TARCHF::folderOf(bool restore) {
    QLineEdit* edit = restore ? restorePath_ : archivePath_;
    QString folder = edit->text().trimmed();
    if (!folder.endsWith(u'\\') && !folder.endsWith(u'/')) folder += u'\\';
    edit->setText(folder);
    return folder;
}

void TARCHF::SpeedButton1Click() {
    chooseInto(*archivePath_);
}

void TARCHF::SpeedButton2Click() {
    chooseInto(*restorePath_);
}

void TARCHF::chooseInto(QLineEdit& edit) {
    const QString start = QString::fromStdString(data::enginePath(edit.text()));
    QString chosen;
    if (services_.chooseFolder) {
        chosen = services_.chooseFolder(start);
    } else {
        if (!picker_) picker_ = new TARCHF1(this);
        chosen = picker_->choose(start);
    }
    if (!chosen.isEmpty()) edit.setText(chosen);
}

void TARCHF::saveTables() {
    for (engine::Table* t : {&dane_.TZal3, &dane_.Tzal2, &dane_.TZal, &dane_.Tzar, &dane_.TRP7,
                             &dane_.TZlec, &dane_.TFIRMA, &dane_.TPARA}) {
        if (!t->isOpen()) continue;
        try {
            dane_.ZapiszRekord(*t);
            // The table files alone then hold every acknowledged change.
            t->checkpoint();
        } catch (const std::exception& e) {
            dane_.prompter().error(QString::fromUtf8(e.what()));
        }
    }
}

void TARCHF::BitBtn2Click() {
    const QString folder = folderOf(false);
    const int steps = int(dane_.ListaLat.size()) + 2;
    if (services_.progressStart) services_.progressStart(QStringLiteral("Archiwowanie"), steps);
    saveTables();
    const Outcome out = archiveData(dane_.SESJA.env(), places(), engineFolder(folder), [this] {
        if (services_.progressStep) services_.progressStep();
    });
    if (out.ok && dane_.TFIRMA.isOpen() && dane_.TFIRMA.fieldIndex("ARCHDATA") >= 0) {
        try {
            dane_.Edytuj(dane_.TFIRMA);
            dane_.TFIRMA.setAsString(dane_.TFIRMA.field("ARCHDATA"),
                                     data::toTable(dane_.values().DataDzis));
            dane_.ZapiszRekord(dane_.TFIRMA);
        } catch (const std::exception& e) {
            dane_.prompter().error(QString::fromUtf8(e.what()));
        }
    }
    if (services_.progressStop) services_.progressStop();
    const QString message = outcomeText(out, QStringLiteral("Archiwum zostało utworzone."));
    if (!message.isEmpty()) {
        if (out.ok)
            dane_.prompter().warning(message);
        else
            dane_.prompter().error(message);
    }
    accept();
}

void TARCHF::BitBtn4Click() {
    if (!dane_.prompter().confirm(
            QStringLiteral(
                "Uwaga odtworzenie spowoduje utratę wszystkich zapisów od daty ostatniego "
                "archiwowania.\nCzy odtwarzać zbiory ?"),
            platform::MessageIcon::Warning)) {
        accept();
        return;
    }
    const QString folder = folderOf(true);
    try {
        dane_.SESJA.setActive(false);
    } catch (const std::exception& e) {
        dane_.prompter().error(QString::fromUtf8(e.what()));
    }
    if (services_.progressStart)
        services_.progressStart(QStringLiteral("Odtwarzanie zbiorów"),
                                int(dane_.ListaLat.size()) + 2);
    const Outcome out = restoreData(
        dane_.SESJA.env(), places(), engineFolder(folder),
        [this](const QString& question) {
            return dane_.prompter().confirm(question, platform::MessageIcon::Warning);
        },
        [this] {
            if (services_.progressStep) services_.progressStep();
        });
    if (services_.progressStop) services_.progressStop();
    if (out.unfinished) {
        // The moves are the next start's to complete, before any table opens; until then no
        // table may be opened over a half-restored set.
        dane_.prompter().error(out.error + QStringLiteral("\n\nProgram zostanie teraz zamknięty."));
        accept();
        if (services_.endProgram)
            services_.endProgram();
        else
            QCoreApplication::exit(1);
        return;
    }
    // Every table opens again, restored or not.
    dane_.SESJA.setActive(true);
    dane_.create();
    if (services_.afterReopen) services_.afterReopen();
    const QString message = outcomeText(out, QStringLiteral("Dane zostały odtworzone z archiwum."));
    if (!message.isEmpty() && !out.cancelled) {
        if (out.ok)
            dane_.prompter().warning(message);
        else
            dane_.prompter().error(message);
    }
    accept();
}

void TARCHF::SPRAWDZ() {
    engine::Table& firma = dane_.TFIRMA;
    if (!firma.isOpen()) return;
    const int days = firma.fieldIndex("ARCHDNI");
    const int date = firma.fieldIndex("ARCHDATA");
    if (days < 0 || date < 0) return;
    try {
        if (firma.isNull(days)) {
            dane_.Edytuj(firma);
            firma.setAsInteger(days, 3);
            dane_.ZapiszRekord(firma);
        }
        if (!dateOf(data::fieldText(firma, date).trimmed())) {
            dane_.Edytuj(firma);
            firma.setAsString(date, data::toTable(dane_.values().DataDzis));
            dane_.ZapiszRekord(firma);
        }
    } catch (const std::exception& e) {
        dane_.prompter().error(QString::fromUtf8(e.what()));
        return;
    }
    const auto last = dateOf(data::fieldText(firma, date).trimmed());
    const auto today = dateOf(dane_.values().DataDzis);
    const qint64 passed = last && today ? last->daysTo(*today) : 0;
    const qint64 period = firma.asInteger(days);
    if (period > 0 && passed >= period &&
        dane_.prompter().confirm(QStringLiteral("Minęły ") + QString::number(passed) +
                                     QStringLiteral(" od ostatniej aktualizacji ARCHIWUM.") +
                                     QStringLiteral("\nCzy chcesz zarchiwować dane ?"),
                                 platform::MessageIcon::Warning))
        openModal();
}

}  // namespace lumiro::maintenance
