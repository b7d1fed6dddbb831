#include "data/employee_cards.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <stdexcept>
#include <vector>

#include "data/data_files.h"
#include "data/data_module.h"
#include "data/table_text.h"

namespace lumiro::data {
namespace {

using engine::Table;
using engine::TableState;
using engine::Value;

bool isEditing(const Table& table) {
    return table.state() == TableState::Edit || table.state() == TableState::Insert;
}

// Typed text is written into the record first, so that no control is left holding text of a
// row that goes; then the edit is dropped with the row.
void dropPendingEdit(Table& table) {
    if (!table.isOpen()) return;
    table.updateRecord();
    if (isEditing(table)) table.cancel();
}

// Every stored column of the current record.
std::vector<Value> rowValues(const Table& table) {
    std::vector<Value> values;
    for (int i = 0; i < table.storedFieldCount(); ++i) values.push_back(table.value(i));
    return values;
}

// How a table that is not open is named: by the name it is registered under.
QString tableDescription(const Table& table, Tdane& dane) {
    if (&table == &dane.TRP7) return QStringLiteral("RP7.DB");
    if (&table == &dane.Tzar) return QStringLiteral("ZAR.DB");
    if (&table == &dane.TZal) return QStringLiteral("ZAL.DB");
    if (&table == &dane.Tzal2) return QStringLiteral("ZAL2.DB");
    if (&table == &dane.TZal3) return QStringLiteral("ZAL3.DB");
    if (&table == &dane.TZlec) return QStringLiteral("ZLEC.DB");
    return QString();
}

QByteArray noteText(const CardKey& card) {
    return "USUWANIE KARTY\r\nZLEC=" + QByteArray::number(card.payer) +
           "\r\nNR=" + QByteArray::number(card.number) + "\r\n";
}

std::optional<CardKey> parseNote(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines[0].trimmed() != "USUWANIE KARTY") return std::nullopt;
    std::optional<std::int64_t> payer;
    std::optional<std::int64_t> number;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        bool ok = false;
        if (line.startsWith("ZLEC=")) {
            const auto value = line.mid(5).toLongLong(&ok);
            if (ok) payer = value;
        } else if (line.startsWith("NR=")) {
            const auto value = line.mid(3).toLongLong(&ok);
            if (ok) number = value;
        }
    }
    if (!payer || !number) return std::nullopt;
    return CardKey{*payer, *number};
}

}  // namespace

MasterLinkCut::MasterLinkCut(Table& table) : table_(table), wasActive_(table.linkActive()) {
    table_.setLinkActive(false);
}

MasterLinkCut::~MasterLinkCut() {
    // The link comes back even when the table cannot be moved any more; a detail table shown
    // without it would let the next edit land on another person's rows.
    try {
        table_.setLinkActive(wasActive_);
    } catch (...) {
    }
    try {
        if (table_.isOpen()) table_.refresh();
    } catch (...) {
    }
}

const char* const EmployeeCards::kDeletionNote = "USUWANIE.KRT";

EmployeeCards::EmployeeCards(Tdane& dane) : dane_(dane) {}

std::int64_t EmployeeCards::nextNumber() {
    Table& employees = dane_.TRP7;
    // A deletion whose note is still there is finished first: the number it frees may be the
    // one given now, and the note must never reach the new card.
    finishInterruptedDeletion();
    if (employees.indexName() != "") employees.setIndexName("");
    employees.refresh();
    employees.last();
    const std::int64_t number =
        employees.isEmpty() ? 1 : employees.asInteger(employees.field("NR")) + 1;
    if (number > kHighestEmployeeNumber)
        throw std::runtime_error("Osiągnięto największy numer pracownika (" +
                                 std::to_string(kHighestEmployeeNumber) + ").");
    return number;
}

void EmployeeCards::addCard() {
    Table& employees = dane_.TRP7;
    if (isEditing(employees)) employees.post();
    const std::int64_t number = nextNumber();
    employees.append();
    employees.setAsInteger(employees.field("NR"), number);
    employees.setAsString(employees.field("POLE1"), toTable(QStringLiteral("Nowy")));
    dane_.ZapiszRekord(employees);
}

bool EmployeeCards::copyCard() {
    Table& employees = dane_.TRP7;
    dane_.ZapiszRekord(employees);
    // Nothing to copy: a card made of nothing would carry no payer either.
    if (employees.isEmpty() || !employees.bookmark().valid()) return false;
    std::vector<Value> copied;
    for (int i = 0; i < employees.storedFieldCount(); ++i) copied.push_back(employees.value(i));
    const int nr = employees.field("NR");
    const std::int64_t number = nextNumber();
    employees.insert();
    for (int i = 0; i < int(copied.size()); ++i) {
        if (i == nr || employees.fields()[std::size_t(i)].name == "AUTO") continue;
        employees.setValue(i, copied[std::size_t(i)]);
    }
    employees.setAsInteger(nr, number);
    dane_.ZapiszRekord(employees);
    return true;
}

std::string EmployeeCards::deletionNotePath() const {
    // Beside the employee table, in the folder as it is spelt on disk.
    if (!dane_.TRP7.isOpen()) return {};
    return engine::joinPath(engine::dirName(dane_.TRP7.path()), kDeletionNote);
}

std::optional<CardKey> EmployeeCards::pendingDeletion() {
    const std::string note = deletionNotePath();
    if (note.empty()) return std::nullopt;
    const auto text = readFile(dane_.SESJA.env(), note);
    return text ? parseNote(*text) : std::nullopt;
}

void EmployeeCards::requireWritable(std::initializer_list<Table*> tables, const QString& what) {
    for (Table* table : tables) {
        QString problem;
        if (!table->isOpen())
            problem = QStringLiteral("jedna z tabel danych nie jest otwarta (%1)")
                          .arg(tableDescription(*table, dane_));
        else if (table->accessMode() == engine::AccessMode::ReadOnly ||
                 dane_.SESJA.env().isReadOnly(table->path()))
            problem = QStringLiteral("tabela %1 jest tylko do odczytu")
                          .arg(QDir::toNativeSeparators(
                              QFile::decodeName(QByteArray::fromStdString(table->path()))));
        if (!problem.isEmpty())
            throw std::runtime_error(
                QStringLiteral("%1: %2.\nNic nie zostało usunięte. Użyj polecenia "
                               "Narzędzia/Naprawa indeksów albo zmień atrybuty plików bazy.")
                    .arg(what, problem)
                    .toStdString());
    }
}

bool EmployeeCards::deleteCard() {
    Table& employees = dane_.TRP7;
    if (!employees.isOpen()) return false;
    if (employees.state() == TableState::Insert) {
        // A card never posted owns nothing on disk.
        employees.cancel();
        return true;
    }
    dropPendingEdit(employees);
    if (employees.isEmpty() || !employees.bookmark().valid()) return false;
    const QString name = fromTable(employees.asString(employees.field("POLE1"))).trimmed();
    // Rows left in a table that cannot be changed would belong to the next card given this
    // number.
    requireWritable({&employees, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3},
                    QStringLiteral("Karty %1 nie można usunąć").arg(name));
    const CardKey card{employees.asInteger(employees.field("ZLEC")),
                       employees.asInteger(employees.field("NR"))};
    engine::Env& files = dane_.SESJA.env();
    const std::string note = deletionNotePath();
    replaceFile(files, note, noteText(card));
    std::vector<DeletedRows> deleted;
    try {
        deleteRows(card, &deleted);
        // The card itself last, where it stands, so that the following card becomes current
        // in the order the user sees.
        employees.remove();
    } catch (const std::exception& e) {
        const QString reason = QString::fromUtf8(e.what());
        if (putBack(deleted)) {
            try {
                removeFile(files, note);
            } catch (const std::exception&) {
                // A note whose card is whole again would delete it at the next start.
                throw std::runtime_error(
                    QStringLiteral("Nie udało się usunąć karty %1:\n%2\nKarta została "
                                   "przywrócona, ale nie można usunąć pliku %3; karta zostanie "
                                   "usunięta przy następnym uruchomieniu programu.")
                        .arg(name, reason, QString::fromStdString(note))
                        .toStdString());
            }
            throw std::runtime_error(
                QStringLiteral("Nie udało się usunąć karty %1:\n%2\nKarta pozostała bez zmian.")
                    .arg(name, reason)
                    .toStdString());
        }
        throw std::runtime_error(
            QStringLiteral("Nie udało się usunąć karty %1:\n%2\nUsuwania nie można było też "
                           "cofnąć; karta zostanie usunięta do końca przy następnym uruchomieniu "
                           "programu.")
                .arg(name, reason)
                .toStdString());
    }
    try {
        removeFile(files, note);
    } catch (const std::exception& e) {
        // The card is gone whole. A note left behind is finished before any card can take
        // its number (nextNumber, and every start), so it harms nobody; the user is told.
        throw std::runtime_error(
            QStringLiteral("Karta %1 została usunięta, ale nie można usunąć pliku %2:\n%3")
                .arg(name, QString::fromStdString(note), QString::fromUtf8(e.what()))
                .toStdString());
    }
    return true;
}

void EmployeeCards::deleteRows(const CardKey& card, std::vector<DeletedRows>* deleted) {
    for (Table* detail : {&dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3}) {
        dropPendingEdit(*detail);
        // Found by key rather than through the link: the rows are the card's whichever
        // employee is current, and no row of anyone else can be reached.
        MasterLinkCut allRows(*detail);
        if (deleted) deleted->push_back({detail, {}});
        while (detail->findKey({Value{card.payer}, Value{card.number}})) {
            auto row = rowValues(*detail);
            detail->remove();
            if (deleted) deleted->back().rows.push_back(std::move(row));
        }
    }
}

bool EmployeeCards::putBack(std::vector<DeletedRows>& deleted) {
    try {
        for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) {
            Table& table = *it->table;
            MasterLinkCut allRows(table);
            for (const auto& row : it->rows) {
                table.append();
                for (int i = 0; i < int(row.size()); ++i)
                    if (table.fields()[std::size_t(i)].type != engine::FieldType::AutoInc)
                        table.setValue(i, row[std::size_t(i)]);
                table.post();
            }
        }
        return true;
    } catch (const std::exception&) {
        for (const DeletedRows& d : deleted) {
            try {
                if (isEditing(*d.table)) d.table->cancel();
            } catch (const std::exception&) {
            }
        }
        return false;
    }
}

bool EmployeeCards::deletePayer() {
    Table& payers = dane_.TZlec;
    Table& employees = dane_.TRP7;
    if (!payers.isOpen()) return false;
    if (payers.state() == TableState::Edit) payers.cancel();
    if (payers.isEmpty() || !payers.bookmark().valid()) return false;
    const QString name = fromTable(payers.asString(payers.field("POCZTA"))).trimmed();
    requireWritable({&payers, &employees, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3},
                    QStringLiteral("Płatnika %1 nie można usunąć").arg(name));
    const std::int64_t payer = payers.asInteger(payers.field("NR"));
    const int zlec = employees.field("ZLEC");
    for (employees.first(); !employees.eof(); employees.first()) {
        if (employees.asInteger(zlec) != payer)
            throw std::runtime_error(
                "Tabela " + employees.path() +
                " nie jest powiązana z płatnikiem; usuwanie płatnika przerwano.");
        // Each card goes whole, with its rows, or not at all.
        if (!deleteCard()) break;
    }
    payers.remove();
    return true;
}

void EmployeeCards::deleteAllRecords(const std::function<void()>& step) {
    const std::initializer_list<Table*> tables = {&dane_.TZal3, &dane_.Tzal2, &dane_.TZal,
                                                  &dane_.Tzar,  &dane_.TRP7,  &dane_.TZlec};
    requireWritable(tables, QStringLiteral("Danych nie można usunąć"));
    for (Table* table : tables) {
        if (step) step();
        try {
            if (isEditing(*table)) table->cancel();
            table->setFiltered(false);
            MasterLinkCut allRows(*table);
            // Each table as one unit: its rows go all together or stay.
            table->beginBatch();
            for (table->first(); !table->isEmpty(); table->first()) table->remove();
            table->endBatch();
        } catch (const std::exception& e) {
            try {
                table->abortBatch();
            } catch (const std::exception&) {
            }
            throw std::runtime_error(
                QStringLiteral("Usuwanie danych przerwano na tabeli %1:\n%2\nTa tabela i "
                               "następne (pracownicy i płatnicy na końcu) pozostały bez zmian.")
                    .arg(QDir::toNativeSeparators(
                             QFile::decodeName(QByteArray::fromStdString(table->path()))),
                         QString::fromUtf8(e.what()))
                    .toStdString());
        }
    }
}

void EmployeeCards::finishInterruptedDeletion() {
    for (Table* table : {&dane_.TRP7, &dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3})
        if (!table->isOpen()) return;
    engine::Env& files = dane_.SESJA.env();
    const std::string note = deletionNotePath();
    const auto text = readFile(files, note);
    if (!text) return;
    if (const auto card = parseNote(*text)) {
        deleteRows(*card, nullptr);
        Table& employees = dane_.TRP7;
        MasterLinkCut allCards(employees);
        if (employees.indexName() != "") employees.setIndexName("");
        if (employees.findKey({Value{card->payer}, Value{card->number}})) employees.remove();
    }
    // A note that names no card was never complete, so no row went on its behalf.
    removeFile(files, note);
}

}  // namespace lumiro::data
