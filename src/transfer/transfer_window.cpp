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
#include <QSignalBlocker>
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
    encoding_->addItem(encodingName(TextEncoding::Cp1250), int(TextEncoding::Cp1250));
    encoding_->addItem(encodingName(TextEncoding::Utf8), int(TextEncoding::Utf8));
    encoding_->setToolTip(QStringLiteral(
        "Windows-1250: jak w plikach wcześniejszych wersji programu. UTF-8: dla arkuszy i "
        "programów, które go oczekują."));
    encodingLabel_->setBuddy(encoding_);
    encodingNote_ = new QLabel(this);
    encodingNote_->setObjectName(QStringLiteral("encodingNote"));
    encodingRow->addWidget(encodingLabel_);
    encodingRow->addWidget(encoding_, 1);
    encodingRow->addWidget(encodingNote_);
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
    // A file whose encoding was not what the program recognised is read again in the other.
    connect(encoding_, &QComboBox::currentIndexChanged, this, [this] {
        if (direction_ == TransferDirection::Import && !importFile_.isEmpty())
            readImportHeading(false);
    });
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
        const FileText text =
            readFileText(std::string_view(bytes->constData(), std::size_t(bytes->size())));
        const std::string_view line = text.body.substr(0, text.body.find('\n'));
        lastPath_ = toDisplay(line, text.encoding).trimmed();
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
    Bplik_->setText(exporting ? QStringLiteral("Export danych")
                              : QStringLiteral("Plik importowany"));
    Bstart_->setVisible(!exporting);
    Bstart_->setEnabled(false);
    encoding_->setItemText(1, exporting ? QStringLiteral("UTF-8 (ze znacznikiem BOM)")
                                        : encodingName(TextEncoding::Utf8));
    encoding_->setEnabled(exporting);
    encodingNote_->clear();
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

TextEncoding TFexpimp::chosenEncoding() const {
    return TextEncoding(encoding_->currentData().toInt());
}

void TFexpimp::runExport() {
    std::vector<ExportColumn> columns;
    for (int row = 0; row < zamien_->rowCount(); ++row) {
        const QString heading = zamien_->item(row, kFileColumn)->text();
        if (withoutSpaces(heading).isEmpty()) continue;
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
    QString done;
    try {
        done = exportTable(
            dane_, *table_, columns, chosenEncoding(), file,
            [this](std::int64_t step, std::int64_t steps) { setProgress(step, steps); });
    } catch (const std::exception& error) {
        // The window stays, so that another folder or name can be chosen.
        progres_->setValue(0);
        dane_.prompter().error(
            QStringLiteral("Pliku „%1” nie zapisano: %2").arg(file, errorText(error)));
        return;
    }
    dane_.prompter().inform(done);
    finish();
}

bool TFexpimp::readImportHeading(bool recognise) {
    Bstart_->setEnabled(false);
    encodingNote_->clear();
    QStringList names;
    try {
        const auto bytes = data::readFile(dane_.SESJA.env(), data::enginePath(importFile_));
        if (!bytes) throw TransferError(QStringLiteral("Nie ma pliku „%1”.").arg(importFile_));
        const ImportHeading heading = transfer::readImportHeading(
            std::string_view(bytes->constData(), std::size_t(bytes->size())),
            recognise ? std::nullopt : std::optional<TextEncoding>(chosenEncoding()));
        names = heading.names;
        if (recognise) {
            const QSignalBlocker quiet(encoding_);
            encoding_->setCurrentIndex(encoding_->findData(int(heading.text.encoding)));
        }
        encodingNote_->setText(recognise ? QStringLiteral("(rozpoznane)")
                                         : QStringLiteral("(wybrane)"));
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
        return false;
    }

    zamien_->setRowCount(0);
    for (const QString& name : names) addRow(QString(), name, QString());
    const auto columns = mapColumns(table_->fields(), table_->storedFieldCount(), names);
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
            // Without the counter every line is compared with the rows its card has.
            if (zamien_->item(row, kFileColumn)->text().isEmpty() &&
                !isCounter(fields[std::size_t(k)]))
                keysPresent = false;
            break;
        }
    }
    Bstart_->setEnabled(keysPresent);
    return true;
}

void TFexpimp::chooseImportFile() {
    const QString file =
        dialogs_.open(this, suggested(QStringLiteral("import.txt")), kImportFilter);
    if (file.isEmpty()) return;
    lastPath_ = file;
    importFile_ = file;
    encoding_->setEnabled(true);
    if (!readImportHeading(true)) {
        importFile_.clear();
        encoding_->setEnabled(false);
    }
}

void TFexpimp::BstartClick() {
    if (!table_ || !table_->isOpen() || importFile_.isEmpty()) return;
    const ImportResult result =
        importTable(dane_, *table_, importFile_, chosenEncoding(),
                    [this](std::int64_t done, std::int64_t total) { setProgress(done, total); });
    switch (result.status) {
        case ImportResult::Status::Imported:
            dane_.prompter().inform(result.message);
            if (!result.warnings.isEmpty()) dane_.prompter().warning(result.warnings);
            finish();
            return;
        case ImportResult::Status::Refused:
            // The file stays chosen: mended, it is imported with the same button.
            progres_->setValue(0);
            dane_.prompter().error(result.message);
            return;
        case ImportResult::Status::Stopped:
            progres_->setValue(0);
            return;
    }
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
                          QByteArray::fromStdString(
                              fromDisplay(folder + QStringLiteral("\r\n"), TextEncoding::Cp1250)));
    } catch (const std::exception& error) {
        dane_.prompter().error(errorText(error));
    }
}

}  // namespace lumiro::transfer
