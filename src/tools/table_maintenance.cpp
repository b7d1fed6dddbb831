#include "table_maintenance.h"

#include <algorithm>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/table.h"

namespace lumiro::tools {

using engine::Table;
using engine::Value;

namespace {

using Row = std::vector<Value>;

bool sameName(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return engine::toUpper1250(c); };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return fold(x) == fold(y); });
}

Row readRow(Table& table, int columns) {
    Row row;
    row.reserve(std::size_t(columns));
    for (int i = 0; i < columns; ++i) row.push_back(table.value(i));
    return row;
}

// Stops after `limit` rows so that a cursor that never reaches the end is reported rather
// than hanging the check.
std::vector<Row> walk(Table& table, int columns, std::size_t limit, bool forward, bool& overrun) {
    std::vector<Row> rows;
    overrun = false;
    for (forward ? table.first() : table.last(); !(forward ? table.eof() : table.bof());
         forward ? table.next() : table.prior()) {
        if (rows.size() == limit) {
            overrun = true;
            break;
        }
        rows.push_back(readRow(table, columns));
    }
    if (!forward) std::reverse(rows.begin(), rows.end());
    return rows;
}

std::string countText(bool overrun, std::size_t n) {
    return overrun ? "więcej" : std::to_string(n);
}

}  // namespace

VerifyReport verifyTable(engine::Session& session, const std::string& path) {
    VerifyReport report;
    Table table(session);
    try {
        table.open(path, engine::AccessMode::Exclusive);
    } catch (const engine::EngineError& e) {
        // A table that is not there or is in use elsewhere cannot be judged at all.
        if (e.code() == engine::ErrorCode::NotFound || e.code() == engine::ErrorCode::Locked) throw;
        report.problems.push_back(e.what());
        return report;
    }
    try {
        report.problems = table.verify();
        if (!report.problems.empty()) return report;

        const int columns = table.storedFieldCount();
        const std::int64_t counted = table.recordCount();
        report.records = counted;
        const std::size_t limit = std::size_t(std::max<std::int64_t>(counted, 0)) + 1;
        const std::string where = "Tabela " + table.path();

        bool overrun = false;
        std::vector<Row> primary = walk(table, columns, limit, true, overrun);
        if (overrun || std::int64_t(primary.size()) != counted)
            report.problems.push_back(where + ": licznik podaje " + std::to_string(counted) +
                                      " rekordów, a kursor odczytał " +
                                      countText(overrun, primary.size()) + ".");
        if (walk(table, columns, limit, false, overrun) != primary)
            report.problems.push_back(where +
                                      ": odczyt od końca daje inne rekordy niż od początku.");

        std::sort(primary.begin(), primary.end());
        for (const engine::IndexDef& def : table.indexes()) {
            if (def.primary) continue;
            ++report.indexes;
            table.setIndexName(def.name);
            std::vector<Row> rows = walk(table, columns, limit, true, overrun);
            std::sort(rows.begin(), rows.end());
            if (overrun || rows != primary)
                report.problems.push_back(where + ": indeks " + engine::cp1250ToUtf8(def.name) +
                                          " prowadzi do " + countText(overrun, rows.size()) +
                                          " rekordów innych niż w pliku danych (" +
                                          std::to_string(primary.size()) + ").");
        }
    } catch (const engine::EngineError& e) {
        report.problems.push_back(e.what());
    }
    return report;
}

void rebuildIndexes(engine::Session& session, const std::string& path,
                    const std::vector<engine::IndexDef>& extra) {
    Table table(session);
    table.open(path, engine::AccessMode::Exclusive);
    table.rebuildIndexes();
    for (const engine::IndexDef& def : extra) {
        bool present = false;
        for (const engine::IndexDef& have : table.indexes())
            present = present || (!have.primary && sameName(have.name, def.name));
        if (!present) table.addIndex(def);
    }
    table.close();
}

}  // namespace lumiro::tools
