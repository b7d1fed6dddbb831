#include "sqlite_reference.h"

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

#include "engine/cp1250.h"

namespace lumiro::bench {

namespace {

void check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(db));
}

}  // namespace

SqliteRp7::SqliteRp7(const std::string& path, int rows, int payers) {
    check(db_, sqlite3_open(path.c_str(), &db_), "open");
    auto def = rp7Definition();
    std::string create = "CREATE TABLE RP7(";
    std::string insert = "INSERT INTO RP7 VALUES(";
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const auto& f = def.fields[i];
        create += f.name + (f.type == engine::FieldType::Long ? " INTEGER" : " TEXT") + ", ";
        insert += i ? ",?" : "?";
    }
    create += "PRIMARY KEY(ZLEC, NR))";
    insert += ")";
    // Loading is not what is measured: no syncs until the table is complete.
    exec("PRAGMA synchronous=OFF");
    exec(create);
    exec("CREATE INDEX Iinx ON RP7(ZLEC, KP12 COLLATE NOCASE)");
    exec("CREATE INDEX Ninx ON RP7(ZLEC, POLE1 COLLATE NOCASE)");
    exec("CREATE INDEX Pinx ON RP7(ZLEC, KP11 COLLATE NOCASE)");
    exec("BEGIN");
    sqlite3_stmt* ins = prepare(insert);
    PolishData data;
    for (int n = 0; n < rows; ++n) {
        Rp7Row row = data.rp7Row(n, payers);
        sqlite3_bind_int64(ins, 1, row.zlec);
        sqlite3_bind_int64(ins, 2, row.nr);
        for (std::size_t i = 0; i < row.texts.size(); ++i) {
            int col = int(i) + 3;
            if (row.texts[i].empty()) {
                sqlite3_bind_null(ins, col);
            } else {
                std::string utf8 = engine::cp1250ToUtf8(row.texts[i]);
                sqlite3_bind_text(ins, col, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT);
            }
        }
        check(db_, sqlite3_step(ins), "insert");
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    exec("COMMIT");
    exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA synchronous=FULL");
}

SqliteRp7::~SqliteRp7() {
    for (auto* s : update_) sqlite3_finalize(s);
    sqlite3_close(db_);
}

void SqliteRp7::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error("SQLite: " + sql + ": " + msg);
    }
}

sqlite3_stmt* SqliteRp7::prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    check(db_, sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), sql.c_str());
    return s;
}

void SqliteRp7::updatePole(int column, std::int64_t zlec, std::int64_t nr,
                           const std::string& text) {
    if (column < 1 || column > 41) throw std::invalid_argument("POLE column out of range");
    auto& stmt = update_[column];
    if (!stmt)
        stmt = prepare("UPDATE RP7 SET POLE" + std::to_string(column) +
                       " = ? WHERE ZLEC = ? AND NR = ?");
    std::string utf8 = engine::cp1250ToUtf8(text);
    sqlite3_bind_text(stmt, 1, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, zlec);
    sqlite3_bind_int64(stmt, 3, nr);
    int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    check(db_, rc, "update");
    if (sqlite3_changes(db_) != 1) throw std::runtime_error("SQLite: update found no row");
}

}  // namespace lumiro::bench
