#include "data/employee_cards.h"

#include <QByteArray>
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
    // Rows left in a table that did not open would belong to the next card given this
    // number.
    for (Table* detail : {&dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3})
        if (!detail->isOpen())
            throw std::runtime_error(
                "Karty nie można usunąć, bo jedna z tabel jej danych nie jest otwarta.\n"
                "Użyj polecenia Narzędzia/Naprawa indeksów.");
    const CardKey card{employees.asInteger(employees.field("ZLEC")),
                       employees.asInteger(employees.field("NR"))};
    engine::Env& files = dane_.SESJA.env();
    const std::string note = deletionNotePath();
    replaceFile(files, note, noteText(card));
    deleteRows(card);
    // The card itself last, where it stands, so that the following card becomes current in
    // the order the user sees.
    employees.remove();
    removeFile(files, note);
    return true;
}

void EmployeeCards::deleteRows(const CardKey& card) {
    for (Table* detail : {&dane_.Tzar, &dane_.TZal, &dane_.Tzal2, &dane_.TZal3}) {
        dropPendingEdit(*detail);
        // Found by key rather than through the link: the rows are the card's whichever
        // employee is current, and no row of anyone else can be reached.
        MasterLinkCut allRows(*detail);
        while (detail->findKey({Value{card.payer}, Value{card.number}})) detail->remove();
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
        deleteRows(*card);
        Table& employees = dane_.TRP7;
        MasterLinkCut allCards(employees);
        if (employees.indexName() != "") employees.setIndexName("");
        if (employees.findKey({Value{card->payer}, Value{card->number}})) employees.remove();
    }
    // A note that names no card was never complete, so no row went on its behalf.
    removeFile(files, note);
}

}  // namespace lumiro::data
