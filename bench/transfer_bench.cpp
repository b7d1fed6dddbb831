// Import and export of 300,000 earnings rows (15,000 cards of 20 years) through the text file,
// against SQLite doing the same with the same file in the same run: its import of the file
// into a table with the same primary key, and its writing of the table as CSV.
//
// Import is the whole check-and-write of importTable: the file read and every value checked,
// the lines matched with the rows of their cards and the cards looked up, then one batch.
//   ImportNew        a payroll system's file (no counter column) into an empty table
//   ImportUnchanged  the table's own export again: every line found equal, nothing written
//   ImportChanged    every amount changed: every row updated (two files taken in turn)
// SQLite, one transaction, rollback journal, synchronous=FULL, the file split as its shell's
// .import splits it and every value bound as text:
//   SqliteImportNew      INSERT of every line into an empty table
//   SqliteImportReplace  INSERT OR REPLACE of every line into the filled table
// Export writes every row (code page 1250, all columns) and makes the file durable;
// SqliteExportCsv selects every row in key order and writes it as ";" CSV, quoting as
// needed, made durable the same way.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/table_layouts.h"
#include "engine/session.h"
#include "fixtures.h"
#include "median_reporter.h"
#include "transfer/table_transfer.h"

namespace {

using namespace lumiro;
using bench::ScratchDir;

constexpr int kRows = 300000;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(db));
}

void exec(sqlite3* db, const std::string& sql) {
    check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), sql.c_str());
}

// The fields of a ";" file as SQLite's shell reads CSV: quotes around a field, "" inside.
std::vector<std::vector<std::string>> splitFile(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            if (!field.empty() && field.back() == '\r') field.pop_back();
            if (!field.empty()) fields.push_back(std::move(field));
            field.clear();
            lines.push_back(std::move(fields));
            fields.clear();
        } else {
            field += c;
        }
    }
    return lines;
}

struct Fixture {
    ScratchDir dir;
    engine::Session session{"PRZENIESIENIE"};
    std::string zar = dir.file("ZAR.DB");
    int made = 0;  // tables and databases made for a run, each under a name of its own
    std::string cards = dir.file("RP7.DB");
    std::string exported = dir.file("zar.txt");       // all columns, counter included
    std::string changed = dir.file("zmienione.txt");  // every POLE2 one grosz more
    std::string payroll = dir.file("place.txt");      // no counter column

    Fixture() {
        session.createTable(cards, data::rp7Layout().def);
        session.createTable(zar, data::zarLayout().def);
        engine::Table people(session), rows(session);
        people.open(cards);
        rows.open(zar);
        bench::PolishData data;
        people.beginBatch();
        rows.beginBatch();
        for (int n = 0; n < kRows; ++n) {
            const bench::ZarRow row = data.zarRow(n);
            if (n % 20 == 0) {
                people.append();
                people.setValue(0, engine::Value{row.zlec});
                people.setValue(1, engine::Value{row.nr});
                people.post();
            }
            rows.append();
            bench::fillZar(rows, row);
            rows.post();
        }
        rows.endBatch();
        people.endBatch();
        rows.close();
        people.close();

        const auto columns = allColumns();
        std::string text =
            transfer::exportText(session, zar, columns, transfer::TextEncoding::Cp1250);
        write(exported, text);
        // The same lines with the first amount a grosz higher, and without the counter.
        std::string more, noCounter;
        for (const auto& fields : splitFile(text)) {
            for (std::size_t f = 0; f < fields.size(); ++f) {
                std::string value = fields[f];
                if (f == 4 && value != "POLE2") {
                    const double amount = std::stod(value.replace(value.find(','), 1, ".")) + 0.01;
                    char buffer[32];
                    std::snprintf(buffer, sizeof buffer, "%.2f", amount);
                    value = buffer;
                    value[value.find('.')] = ',';
                }
                more += value + ';';
                if (f != 3) noCounter += fields[f] + ';';
            }
            more += "\r\n";
            noCounter += "\r\n";
        }
        write(changed, more);
        write(payroll, noCounter);
    }

    static void write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::vector<transfer::ExportColumn> allColumns() {
        std::vector<transfer::ExportColumn> columns;
        const auto& fields = data::zarLayout().def.fields;
        for (std::size_t f = 0; f < fields.size(); ++f)
            columns.push_back({int(f), QString::fromStdString(fields[f].name)});
        return columns;
    }

    static Fixture& get() {
        static Fixture fixture;
        return fixture;
    }
};

// What importTable does with a file, without the questions: read, plan, look the cards up,
// write. Returns the plan's counts as "added/updated/present".
transfer::ImportPlan importFile(Fixture& fx, const std::string& table, const std::string& file) {
    engine::Table t(fx.session);
    t.open(table);
    const std::string bytes = readAll(file);
    const transfer::ImportRows rows =
        transfer::readImportFile(bytes, t.fields(), t.storedFieldCount(), t.keyFieldCount());
    transfer::ImportPlan plan = transfer::planImport(t, rows, t.field("POLE1"));
    const auto missing = transfer::findMissingMasters(fx.session, fx.cards,
                                                      {t.field("ZLEC"), t.field("NR")}, rows, plan);
    if (!missing.empty()) throw std::runtime_error("lines without their card");
    transfer::writeImport(fx.session, table, rows, plan);
    return plan;
}

void ImportNew(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string fresh = fx.dir.file("NOWA" + std::to_string(++fx.made) + ".DB");
        fx.session.createTable(fresh, data::zarLayout().def);
        state.ResumeTiming();
        const auto plan = importFile(fx, fresh, fx.payroll);
        if (plan.added != kRows) state.SkipWithError("not every line was added");
    }
}

void ImportUnchanged(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    for (auto _ : state) {
        const auto plan = importFile(fx, fx.zar, fx.exported);
        if (plan.present != kRows) state.SkipWithError("a line was not found equal");
    }
}

void ImportChanged(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    bool back = false;
    for (auto _ : state) {
        const auto plan = importFile(fx, fx.zar, back ? fx.exported : fx.changed);
        back = !back;
        if (plan.updated != kRows) state.SkipWithError("not every row was updated");
    }
}

void Export(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    const std::string out = fx.dir.file("eksport.txt");
    for (auto _ : state)
        transfer::writeUserFile(fx.session.env(), out,
                                transfer::exportText(fx.session, fx.zar, fx.allColumns(),
                                                     transfer::TextEncoding::Cp1250));
    state.counters["file_MB"] = double(bench::fileBytes(out)) / 1048576;
}

// --- SQLite ------------------------------------------------------------------------------

sqlite3* openSqlite(Fixture& fx, bool empty) {
    const std::string path = fx.dir.file("zar" + std::to_string(++fx.made) + ".sqlite");
    sqlite3* db = nullptr;
    check(db, sqlite3_open(path.c_str(), &db), "open");
    exec(db, "PRAGMA journal_mode=DELETE");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db,
         "CREATE TABLE ZAR(ZLEC INTEGER, NR INTEGER, POLE1 TEXT, AUTO INTEGER, POLE2 REAL, "
         "POLE3 REAL, POLE4 TEXT, POLE5 REAL, POLE6 TEXT, POLE7 REAL, POLE8 TEXT, POLE9 REAL, "
         "PRIMARY KEY(ZLEC, NR, POLE1, AUTO))");
    if (!empty) {
        exec(db, "BEGIN");
        sqlite3_stmt* insert = nullptr;
        check(db,
              sqlite3_prepare_v2(db, "INSERT INTO ZAR VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert,
                                 nullptr),
              "prepare");
        const auto lines = splitFile(readAll(fx.exported));
        for (std::size_t l = 1; l < lines.size(); ++l) {
            for (std::size_t f = 0; f < 12; ++f)
                sqlite3_bind_text(insert, int(f) + 1, lines[l][f].data(), int(lines[l][f].size()),
                                  SQLITE_STATIC);
            check(db, sqlite3_step(insert), "insert");
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
    }
    return db;
}

// The shell's .import: the file read and split, every field bound as text, one transaction.
void sqliteImport(sqlite3* db, const std::string& file, const char* verb, bool counter) {
    const auto lines = splitFile(readAll(file));
    exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    const std::string sql = std::string(verb) + " INTO ZAR VALUES(?,?,?,?,?,?,?,?,?,?,?,?)";
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), "prepare");
    for (std::size_t l = 1; l < lines.size(); ++l) {
        int column = 1;
        for (std::size_t f = 0; f < lines[l].size(); ++f) {
            if (!counter && column == 4) sqlite3_bind_int64(insert, column++, std::int64_t(l));
            sqlite3_bind_text(insert, column++, lines[l][f].data(), int(lines[l][f].size()),
                              SQLITE_STATIC);
        }
        check(db, sqlite3_step(insert), "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
}

void SqliteImportNew(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = openSqlite(fx, true);
        state.ResumeTiming();
        sqliteImport(db, fx.payroll, "INSERT", false);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

void SqliteImportReplace(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    sqlite3* db = openSqlite(fx, false);
    bool back = false;
    for (auto _ : state) {
        sqliteImport(db, back ? fx.exported : fx.changed, "INSERT OR REPLACE", true);
        back = !back;
    }
    sqlite3_close(db);
}

void SqliteExportCsv(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    sqlite3* db = openSqlite(fx, false);
    const std::string out = fx.dir.file("sqlite.csv");
    for (auto _ : state) {
        std::string text = "ZLEC;NR;POLE1;AUTO;POLE2;POLE3;POLE4;POLE5;POLE6;POLE7;POLE8;POLE9\r\n";
        sqlite3_stmt* select = nullptr;
        check(db,
              sqlite3_prepare_v2(db, "SELECT * FROM ZAR ORDER BY ZLEC, NR, POLE1, AUTO", -1,
                                 &select, nullptr),
              "prepare");
        while (sqlite3_step(select) == SQLITE_ROW) {
            for (int c = 0; c < 12; ++c) {
                if (c) text += ';';
                const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(select, c));
                const std::string_view field = value ? value : "";
                if (field.find_first_of(";\"\r\n") == std::string_view::npos) {
                    text += field;
                } else {
                    text += '"';
                    for (char ch : field)
                        text += ch == '"' ? std::string("\"\"") : std::string(1, ch);
                    text += '"';
                }
            }
            text += "\r\n";
        }
        sqlite3_finalize(select);
        transfer::writeUserFile(fx.session.env(), out, text);
    }
    sqlite3_close(db);
}

BENCHMARK(ImportNew)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SqliteImportNew)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportUnchanged)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportChanged)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SqliteImportReplace)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Export)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SqliteExportCsv)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    lumiro::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto line = [&](const char* what, const char* ours, const char* theirs) {
        const double a = reporter.at(ours), b = reporter.at(theirs);
        std::printf("| %s | %.2f s | %.2f s | %.2f |\n", what, a, b, b > 0 ? a / b : 0.0);
    };
    std::printf("\n| 300,000 earnings rows | Lumiro | SQLite | Ratio |\n|---|---|---|---|\n");
    line("Import, new rows", "ImportNew", "SqliteImportNew");
    line("Import, unchanged export (nothing to write)", "ImportUnchanged", "SqliteImportReplace");
    line("Import, every row changed", "ImportChanged", "SqliteImportReplace");
    line("Export", "Export", "SqliteExportCsv");
    benchmark::Shutdown();
    return 0;
}
