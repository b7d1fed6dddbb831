#include "transfer/transfer_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "data/data_files.h"
#include "data/data_module.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "platform/program_paths.h"

namespace lumiro::transfer {
namespace {

const QString kExportFilter = QStringLiteral("Plik exportow (*.txt);;Wszystki pliki (*)");
const QString kImportFilter =
    QStringLiteral("Plik tekstowy (*.txt);;CSV rozdzielany średnikami (*.csv)");
constexpr int kListedProblems = 5;

QString systemSave(QWidget* parent, const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export danych"), suggested, filter);
}
QString systemOpen(QWidget* parent, const QString& suggested, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Plik importowany"), suggested,
                                        filter);
}

QString withoutSpaces(QString text) {
    text.remove(u' ');
    return text;
}

QString errorText(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

}  // namespace

std::vector<ImportColumn> mapColumns(const engine::Table& table, const QStringList& names) {
    std::vector<ImportColumn> columns;
    for (const QString& name : names) columns.push_back({name, -1});
    const auto& fields = table.fields();
    for (int f = 0; f < table.storedFieldCount(); ++f) {
        const QString name = QString::fromStdString(fields[std::size_t(f)].name);
        for (ImportColumn& column : columns)
            if (column.name == name) {
                column.field = f;
                break;
            }
    }
    return columns;
}

TFexpimp::TFexpimp(data::Tdane& dane, TransferDialogs dialogs, QWidget* parent)
    : QDialog(parent), dane_(dane), dialogs_(std::move(dialogs)) {
    if (!dialogs_.save) dialogs_.save = systemSave;
    if (!dialogs_.open) dialogs_.open = systemOpen;
    setObjectName(QStringLiteral("TFexpimp"));
    setWindowTitle(QStringLiteral("Import / Export danych"));
    setModal(true);
    resize(520, 560);

    auto* layout = new QVBoxLayout(this);
    zamien_ = new QTableWidget(0, 4, this);
    zamien_->setObjectName(QStringLiteral("zamien"));
    zamien_->setHorizontalHeaderLabels(
        {QStringLiteral("Pole bazy"), QStringLiteral("Pole pliku"), QString(), QString()});
    zamien_->setColumnHidden(kFieldName, true);
    zamien_->setColumnHidden(kKeyMark, true);
    zamien_->verticalHeader()->setVisible(false);
    zamien_->horizontalHeader()->setSectionResizeMode(kFieldLabel, QHeaderView::Stretch);
    zamien_->horizontalHeader()->setSectionResizeMode(kFileColumn, QHeaderView::Stretch);
    zamien_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(zamien_, 1);

    auto* encodingRow = new QHBoxLayout;
    encodingLabel_ = new QLabel(QStringLiteral("Kodowanie pliku:"), this);
    encoding_ = new QComboBox(this);
    encoding_->setObjectName(QStringLiteral("encoding"));
    encoding_->addItem(QStringLiteral("Windows-1250"), int(TextEncoding::Cp1250));
    encoding_->addItem(QStringLiteral("UTF-8 (ze znacznikiem BOM)"), int(TextEncoding::Utf8));
    encoding_->setToolTip(QStringLiteral(
        "Windows-1250: jak w plikach wcześniejszych wersji programu. UTF-8: dla arkuszy i "
        "programów, które go oczekują."));
    encodingLabel_->setBuddy(encoding_);
    encodingRow->addWidget(encodingLabel_);
    encodingRow->addWidget(encoding_, 1);
    layout->addLayout(encodingRow);

    auto* buttons = new QHBoxLayout;
    Bplik_ = new QPushButton(QStringLiteral("Export danych"), this);
    Bplik_->setObjectName(QStringLiteral("Bplik"));
    Bstart_ = new QPushButton(QStringLiteral("Importuj dane"), this);
    Bstart_->setObjectName(QStringLiteral("Bstart"));
    Bsciezka_ = new QPushButton(QStringLiteral("Zapisz katalog"), this);
    Bsciezka_->setObjectName(QStringLiteral("Bsciezka"));
    Bsciezka_->setToolTip(
        QStringLiteral("Zapisuje domyślny katalog przy imporcie/exporcie danych."));
    for (QPushButton* b : {Bplik_, Bstart_, Bsciezka_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    progres_ = new QProgressBar(this);
    progres_->setObjectName(QStringLiteral("progres"));
    progres_->setRange(0, 100);
    progres_->setValue(0);
    layout->addWidget(progres_);

    connect(Bplik_, &QPushButton::clicked, this, [this] { BplikClick(); });
    connect(Bstart_, &QPushButton::clicked, this, [this] { BstartClick(); });
    connect(Bsciezka_, &QPushButton::clicked, this, [this] { BsciezkaClick(); });
}

TFexpimp::~TFexpimp() = default;

QString TFexpimp::folderFilePath() const {
    QString root = dane_.values().SciezkaDanych;
    if (root.isEmpty()) root = dane_.programFolder() + u'/';
    return platform::joinDataPath(root, QStringLiteral("ImpExp.txt"));
}

void TFexpimp::readFolderFile() {
    lastPath_.clear();
    try {
        const auto bytes = data::readFile(dane_.SESJA.env(), data::enginePath(folderFilePath()));
        if (!bytes) return;
        const QStringList lines = splitLines(decodeText(*bytes).text);
        if (!lines.isEmpty()) lastPath_ = lines.front().trimmed();
    } catch (const std::exception&) {
        // An unreadable file counts as none: the dialogs open where the system chooses.
    }
}

QString TFexpimp::suggested(const QString& defaultName) const {
    if (lastPath_.isEmpty()) return defaultName;
    const QString path = platform::nativePath(lastPath_);
    const QFileInfo info(path);
    const QString folder = info.isDir() ? path : info.absolutePath();
    return QDir(folder).filePath(defaultName);
}

void TFexpimp::prepare(engine::Table& table, TransferDirection direction) {
    table_ = &table;
    direction_ = direction;
    readFolderFile();
    FormShow();
}

void TFexpimp::run(engine::Table& table, TransferDirection direction) {
    prepare(table, direction);
    exec();
}

void TFexpimp::addRow(const QString& label, const QString& fileColumn, const QString& field) {
    const int row = zamien_->rowCount();
    zamien_->insertRow(row);
    const bool editable = direction_ == TransferDirection::Export;
    auto cell = [&](int column, const QString& text, bool canEdit) {
        auto* item = new QTableWidgetItem(text);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (canEdit) flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        zamien_->setItem(row, column, item);
    };
    cell(kFieldLabel, label, false);
    cell(kFileColumn, fileColumn, editable);
    cell(kFieldName, field, false);
    cell(kKeyMark, QString(), false);
}

void TFexpimp::FormShow() {
    const bool exporting = direction_ == TransferDirection::Export;
    setWindowTitle(exporting ? QStringLiteral("Export danych") : QStringLiteral("Import danych"));
    Bplik_->setText(exporting ? QStringLiteral("Export danych") : QStringLiteral("Plik importowany"));
    Bstart_->setVisible(!exporting);
    Bstart_->setEnabled(false);
    encodingLabel_->setVisible(exporting);
    encoding_->setVisible(exporting);
    zamien_->setEditTriggers(exporting ? QAbstractItemView::AllEditTriggers
                                       : QAbstractItemView::NoEditTriggers);
    progres_->setValue(0);
    importFile_.clear();
    zamien_->setRowCount(0);
    if (!table_ || !table_->isOpen()) return;
    if (!exporting) {
        // Import looks records up by their primary key; the table keeps that order afterwards.
        try {
            table_->setIndexName("");
        } catch (const std::exception& error) {
            dane_.prompter().error(errorText(error));
        }
    }
    const int keyCount = table_->keyFieldCount();
    const auto& fields = table_->fields();
    for (int f = 0; f < table_->storedFieldCount(); ++f) {
        const QString name = QString::fromStdString(fields[std::size_t(f)].name);
        addRow(name, exporting ? name : (f < keyCount ? QStringLiteral("klucz") : QString()), name);
    }
}

void TFexpimp::BplikClick() {
    if (!table_ || !table_->isOpen()) return;
    if (direction_ == TransferDirection::Export)
        runExport();
    else
        chooseImportFile();
}

void TFexpimp::finish() {
    progres_->setValue(0);
    done(QDialog::Accepted);
    hide();
}

void TFexpimp::setProgress(std::int64_t done, std::int64_t total) {
    if (progres_->maximum() != int(total)) progres_->setMaximum(int(total));
    progres_->setValue(int(done));
}

void TFexpimp::runExport() {
    std::vector<ExportColumn> columns;
    for (int row = 0; row < zamien_->rowCount(); ++row) {
        const QString heading = zamien_->item(row, kFileColumn)->text();
        if (withoutSpaces(heading).isEmpty()) continue;
        if (breaksLine(heading)) {
            dane_.prompter().error(
                QStringLiteral("Nazwa kolumny „%1” zawiera średnik lub koniec wiersza, których "
                               "plik nie może zawierać. Popraw ją.")
                    .arg(heading));
            return;
        }
        columns.push_back(
            {table_->fieldIndex(zamien_->item(row, kFieldName)->text().toStdString()), heading});
    }
    if (columns.empty()) {
        dane_.prompter().error(QStringLiteral("Nie wybrano żadnej kolumny do exportu."));
        return;
    }
    const QString file =
        dialogs_.save(this, suggested(QStringLiteral("export.txt")), kExportFilter);
    if (file.isEmpty()) return;
    lastPath_ = file;
    try {
        int total = 0;
        const auto breaking = findBreakingValues(*table_, columns, kListedProblems, total);
        bool mend = false;
        if (total > 0) {
            QStringList listed;
            for (const BreakingValue& value : breaking)
                listed << QStringLiteral("%1, kolumna %2").arg(value.record, value.column);
            const QString question =
                QStringLiteral("%1 wartości zawiera średnik lub koniec wiersza, które w pliku "
                               "przesunęłyby następne kolumny, np.:\n%2\nCzy zastąpić w pliku "
                               "średnik przecinkiem, a koniec wiersza spacją? (Nie: plik nie "
                               "zostanie zapisany.)")
                    .arg(total)
                    .arg(listed.join(u'\n'));
            if (!dane_.prompter().confirm(question, platform::MessageIcon::Warning)) {
                finish();
                return;
            }
            mend = true;
        }
        const auto encoding = TextEncoding(encoding_->currentData().toInt());
        const QByteArray bytes = exportBytes(
            *table_, columns, encoding, mend,
            [this](std::int64_t step, std::int64_t steps) { setProgress(step, steps); });
        // Written beside the target and renamed over it: a failure leaves no cut-off file.
        data::replaceFile(dane_.SESJA.env(), data::enginePath(file), bytes);
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
    }
    finish();
}

void TFexpimp::chooseImportFile() {
    const QString file =
        dialogs_.open(this, suggested(QStringLiteral("import.txt")), kImportFilter);
    if (file.isEmpty()) return;
    lastPath_ = file;
    importFile_.clear();
    Bstart_->setEnabled(false);
    QStringList names;
    try {
        const auto bytes = data::readFile(dane_.SESJA.env(), data::enginePath(file));
        if (!bytes)
            throw TransferError(QStringLiteral("Nie ma pliku %1.").arg(file));
        const QStringList lines = splitLines(decodeText(*bytes).text);
        if (lines.isEmpty() || lines.front().isEmpty())
            throw TransferError(QStringLiteral("Plik %1 jest pusty: brak wiersza nagłówka.")
                                    .arg(file));
        names = readHeading(lines.front()).names;
        if (names.size() > kMaxValuesPerLine)
            throw TransferError(QStringLiteral("Nagłówek pliku ma %1 kolumn, a wiersz może mieć "
                                               "najwyżej %2 wartości.")
                                    .arg(names.size())
                                    .arg(kMaxValuesPerLine));
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
        return;
    }

    zamien_->setRowCount(0);
    for (const QString& name : names) addRow(QString(), name, QString());
    const auto columns = mapColumns(*table_, names);
    const auto& fields = table_->fields();
    for (int f = 0; f < table_->storedFieldCount(); ++f) {
        const QString name = QString::fromStdString(fields[std::size_t(f)].name);
        auto at = std::find_if(columns.begin(), columns.end(),
                               [f](const ImportColumn& c) { return c.field == f; });
        if (at != columns.end()) {
            const int row = int(at - columns.begin());
            zamien_->item(row, kFieldLabel)->setText(name);
            zamien_->item(row, kFieldName)->setText(name);
        } else {
            addRow(name, QString(), name);
        }
    }
    bool keysPresent = true;
    for (int k = 0; k < table_->keyFieldCount(); ++k) {
        const QString name = QString::fromStdString(fields[std::size_t(k)].name);
        for (int row = 0; row < zamien_->rowCount(); ++row) {
            if (zamien_->item(row, kFieldLabel)->text() != name) continue;
            zamien_->item(row, kKeyMark)->setText(QStringLiteral("*"));
            // A file without the counter adds every line as a new row.
            if (zamien_->item(row, kFileColumn)->text().isEmpty() &&
                !isCounter(fields[std::size_t(k)]))
                keysPresent = false;
            break;
        }
    }
    importFile_ = file;
    Bstart_->setEnabled(keysPresent);
}

void TFexpimp::BstartClick() {
    if (!table_ || !table_->isOpen() || importFile_.isEmpty()) return;
    engine::Env& env = dane_.SESJA.env();
    const std::string path = data::enginePath(importFile_);
    try {
        const auto bytes = data::readFile(env, path);
        if (!bytes) throw TransferError(QStringLiteral("Nie ma pliku %1.").arg(importFile_));
        const QStringList lines = splitLines(decodeText(*bytes).text);
        if (lines.isEmpty()) throw TransferError(QStringLiteral("Plik jest pusty."));
        const Heading heading = readHeading(lines.front());
        const auto rows = prepareImport(*table_, mapColumns(*table_, heading.names),
                                        heading.lastCounts, lines.mid(1));

        // Rows whose card (or payer) is missing would belong to whichever card gets that
        // number next.
        std::vector<int> links;
        engine::Table* master = nullptr;
        const bool cards = table_ == &dane_.TRP7;
        if (cards) {
            master = &dane_.TZlec;
            links = {table_->fieldIndex("ZLEC")};
        } else if (table_->fieldIndex("ZLEC") >= 0 && table_->fieldIndex("NR") >= 0) {
            master = &dane_.TRP7;
            links = {table_->fieldIndex("ZLEC"), table_->fieldIndex("NR")};
        }
        if (master && master->isOpen() && std::find(links.begin(), links.end(), -1) == links.end()) {
            const auto missing = findMissingMasters(dane_.SESJA, master->path(), links, rows);
            if (!missing.empty()) {
                QStringList listed;
                for (std::size_t i = 0; i < missing.size() && int(i) < kListedProblems; ++i)
                    listed << QStringLiteral("wiersz %1: %2 %3")
                                  .arg(missing[i].line)
                                  .arg(cards ? QStringLiteral("płatnik")
                                             : QStringLiteral("płatnik, pracownik"),
                                       keyText(missing[i].key));
                const QString question =
                    (cards ? QStringLiteral("%1 wierszy pliku dotyczy płatników, których nie ma "
                                            "w danych, np.:\n%2\nKarty te zostaną przypisane "
                                            "płatnikowi, który otrzyma ten numer.")
                           : QStringLiteral("%1 wierszy pliku dotyczy kart pracowników, których "
                                            "nie ma w kartotece, np.:\n%2\nWiersze te zostaną "
                                            "przypisane karcie, która otrzyma ten numer."))
                        .arg(missing.size())
                        .arg(listed.join(u'\n')) +
                    QStringLiteral("\nCzy mimo to wczytać plik?");
                if (!dane_.prompter().confirm(question, platform::MessageIcon::Warning)) {
                    finish();
                    return;
                }
            }
        }

        // The earnings table warns, as a row is begun, when the card has more rows than its
        // printout takes. With the link cut it would count the whole table, once per line.
        struct QuietStates {
            engine::Table& table;
            std::function<void(engine::Table&)> handler = std::exchange(table.onStateChange, {});
            ~QuietStates() { table.onStateChange = std::move(handler); }
        } quiet{*table_};
        writeImport(*table_, rows,
                    [this](std::int64_t done, std::int64_t total) { setProgress(done, total); });
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
        finish();
        return;
    }

    // The file is done with: it stays in its folder under "z" and its old name.
    try {
        const std::string renamed =
            engine::joinPath(engine::dirName(path), "z" + engine::baseName(path));
        try {
            env.remove(renamed);
        } catch (const std::exception&) {
        }
        env.rename(path, renamed);
        env.syncDir(engine::dirName(path));
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
    }
    finish();
}

void TFexpimp::BsciezkaClick() {
    if (lastPath_.isEmpty()) return;
    const QFileInfo info(platform::nativePath(lastPath_));
    QString folder = lastPath_;
    if (!info.isDir() && info.fileName().contains(u'.')) {
        const qsizetype cut = std::max(lastPath_.lastIndexOf(u'/'), lastPath_.lastIndexOf(u'\\'));
        folder = lastPath_.left(cut + 1);
    }
    try {
        data::replaceFile(dane_.SESJA.env(), data::enginePath(folderFilePath()),
                          encodeText(folder + QStringLiteral("\r\n"), TextEncoding::Cp1250));
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
    }
}

}  // namespace lumiro::transfer
