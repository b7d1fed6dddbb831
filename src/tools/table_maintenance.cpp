#include "table_maintenance.h"

#include <algorithm>
#include <compare>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/table.h"

namespace lumiro::tools {

using engine::Table;
using engine::Value;

namespace {

using Row = std::vector<Value>;

// Null sorts first, as blank values do in keys.
int compareValues(const Value& a, const Value& b, bool caseInsensitive) {
    if (engine::isNull(a) || engine::isNull(b))
        return int(!engine::isNull(a)) - int(!engine::isNull(b));
    if (auto* sa = std::get_if<std::string>(&a)) {
        if (auto* sb = std::get_if<std::string>(&b))
            return engine::comparePolish(*sa, *sb, caseInsensitive);
    }
    if (a < b) return -1;
    if (b < a) return 1;
    return 0;
}

struct IndexShape {
    std::string label;  // for messages (UTF-8)
    std::vector<int> columns;
    bool unique = false;
    bool caseInsensitive = false;
};

int compareKeys(const Row& a, const Row& b, const IndexShape& index) {
    for (int c : index.columns) {
        int r = compareValues(a[std::size_t(c)], b[std::size_t(c)], index.caseInsensitive);
        if (r != 0) return r;
    }
    return 0;
}

Row readRow(Table& table, int columns) {
    Row row;
    row.reserve(std::size_t(columns));
    for (int i = 0; i < columns; ++i) row.push_back(table.value(i));
    return row;
}

// Walks the current index forwards; stops at `limit` rows so that a looping chain of blocks
// is reported instead of hanging the check.
std::vector<Row> walk(Table& table, int columns, std::size_t limit, bool& overrun) {
    std::vector<Row> rows;
    overrun = false;
    for (table.first(); !table.eof(); table.next()) {
        if (rows.size() == limit) {
            overrun = true;
            break;
        }
        rows.push_back(readRow(table, columns));
    }
    return rows;
}

std::vector<Row> walkBack(Table& table, int columns, std::size_t limit) {
    std::vector<Row> rows;
    for (table.last(); !table.bof() && rows.size() <= limit; table.prior())
        rows.push_back(readRow(table, columns));
    std::reverse(rows.begin(), rows.end());
    return rows;
}

void checkOrder(const std::vector<Row>& rows, const IndexShape& index,
                std::vector<std::string>& problems) {
    for (std::size_t i = 1; i < rows.size(); ++i) {
        int r = compareKeys(rows[i - 1], rows[i], index);
        if (r > 0 || (r == 0 && index.unique)) {
            problems.push_back(index.label + ": rekord " + std::to_string(i + 1) +
                               (r > 0 ? " stoi przed poprzednim w złej kolejności."
                                      : " powtarza klucz poprzedniego."));
            return;
        }
    }
}

}  // namespace

VerifyReport verifyTable(engine::Session& session, const std::string& path) {
    VerifyReport report;
    Table table(session);
    try {
        table.open(path, engine::AccessMode::Exclusive);
    } catch (const engine::EngineError& e) {
        report.problems.push_back(e.what());
        return report;
    }
    try {
        const int columns = table.storedFieldCount();
        std::int64_t counted = table.recordCount();
        report.records = counted;
        std::size_t limit = std::size_t(std::max<std::int64_t>(counted, 0)) + 1;

        table.setIndexName("");
        bool overrun = false;
        std::vector<Row> primary = walk(table, columns, limit, overrun);
        if (overrun || std::int64_t(primary.size()) != counted)
            report.problems.push_back("Plik danych " + table.path() + ": licznik mówi " +
                                      std::to_string(counted) + " rekordów, a odczytano " +
                                      (overrun ? "więcej" : std::to_string(primary.size())) + ".");
        if (walkBack(table, columns, limit) != primary)
            report.problems.push_back("Plik danych " + table.path() +
                                      ": odczyt od końca daje inne rekordy niż od początku.");

        IndexShape key{"Indeks główny", {}, true, false};
        for (int i = 0; i < table.keyFieldCount(); ++i) key.columns.push_back(i);
        if (!key.columns.empty()) checkOrder(primary, key, report.problems);

        std::vector<Row> sortedPrimary = primary;
        std::sort(sortedPrimary.begin(), sortedPrimary.end());
        for (const engine::IndexDef& def : table.indexes()) {
            if (def.primary) continue;
            ++report.indexes;
            IndexShape shape{
                "Indeks " + engine::cp1250ToUtf8(def.name), {}, def.unique, def.caseInsensitive};
            for (const std::string& f : def.fields) shape.columns.push_back(table.field(f));
            table.setIndexName(def.name);
            std::vector<Row> rows = walk(table, columns, limit, overrun);
            checkOrder(rows, shape, report.problems);
            std::sort(rows.begin(), rows.end());
            if (overrun || rows != sortedPrimary)
                report.problems.push_back(shape.label + ": zawiera " +
                                          (overrun ? "więcej" : std::to_string(rows.size())) +
                                          " rekordów niezgodnych z plikiem danych (" +
                                          std::to_string(primary.size()) + " rekordów).");
        }
    } catch (const engine::EngineError& e) {
        report.problems.push_back(e.what());
    }
    return report;
}

void rebuildIndexes(engine::Session&, const std::string& path,
                    const std::vector<engine::IndexDef>*) {
    engine::fail(engine::ErrorCode::Unsupported,
                 "Odbudowa indeksów tabeli " + path +
                     " nie jest jeszcze dostępna w tej wersji silnika tabel.");
}

}  // namespace lumiro::tools
