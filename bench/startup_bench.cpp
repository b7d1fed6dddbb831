// The structure update of a large year folder of an older release (100 payers, 20,000
// employees, 300,000 earnings rows), against the reference of loading the same records
// straight into the new tables in one batch each: the ratio is what matching columns by
// name, converting and saving record by record cost on top of the engine's bulk load.
//
// The year folder is written once, outside the timed part; between iterations the payers
// table goes back to the year folder and the new tables are removed, also untimed.
#include <benchmark/benchmark.h>

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/progress_bar.h"
#include "data/structure_update.h"
#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/process_values.h"
#include "platform/prompter.h"

namespace {

namespace fs = std::filesystem;
using lumiro::engine::AccessMode;
using lumiro::engine::FieldDef;
using lumiro::engine::FieldType;
using lumiro::engine::IndexDef;
using lumiro::engine::Session;
using lumiro::engine::Table;
using lumiro::engine::TableDef;

constexpr int kPayers = 100;
constexpr int kEmployees = 20'000;
constexpr int kEarningsRows = 300'000;
constexpr int kPeriodRows = 40'000;

// A real disk: durable writes on a tmpfs would cost nothing.
fs::path benchRoot() {
    const char* dir = std::getenv("LUMIRO_BENCH_DIR");
    fs::path root = fs::path(dir ? dir : fs::temp_directory_path().string()) / "structure_update";
    return root;
}

FieldDef column(const std::string& name, FieldType type, int size = 0) {
    return FieldDef{name, type, size, false};
}

IndexDef primaryKey(std::vector<std::string> fields) {
    IndexDef d;
    d.primary = d.unique = true;
    d.fields = std::move(fields);
    return d;
}

// The older release's layouts: fewer RP7 columns, earnings without the later kinds.
TableDef oldRp7() {
    TableDef d;
    d.fields = {column("ZLEC", FieldType::Long), column("NR", FieldType::Long)};
    for (int i = 1; i <= 41; ++i)
        d.fields.push_back(
            column("POLE" + std::to_string(i), FieldType::Alpha, i == 36 ? 200 : 50));
    for (int i = 1; i <= 30; ++i)
        d.fields.push_back(column("KP" + std::to_string(i), FieldType::Alpha, 50));
    d.indexes = {primaryKey({"ZLEC", "NR"})};
    return d;
}

TableDef oldZar() {
    TableDef d;
    d.fields = {column("ZLEC", FieldType::Long),       column("NR", FieldType::Long),
                column("POLE1", FieldType::Alpha, 4),  column("AUTO", FieldType::AutoInc),
                column("POLE2", FieldType::Money),     column("POLE3", FieldType::Money),
                column("POLE4", FieldType::Alpha, 40), column("POLE9", FieldType::Money)};
    d.indexes = {primaryKey({"ZLEC", "NR", "POLE1", "AUTO"})};
    return d;
}

TableDef oldZal() {
    TableDef d;
    d.fields = {column("ZLEC", FieldType::Long),       column("NR", FieldType::Long),
                column("POLE1", FieldType::Alpha, 10), column("AUTO", FieldType::AutoInc),
                column("POLE2", FieldType::Alpha, 10), column("POLE3", FieldType::Alpha, 80)};
    d.indexes = {primaryKey({"ZLEC", "NR", "POLE1", "AUTO"})};
    return d;
}

TableDef oldZlec() {
    TableDef d;
    d.fields = {column("NR", FieldType::Long), column("POCZTA", FieldType::Alpha, 60),
                column("NIP", FieldType::Alpha, 13)};
    d.indexes = {primaryKey({"NR"})};
    return d;
}

const std::vector<std::string>& surnames() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> out;
        for (const char* s : {"Nowak",       "Wiśniewska", "Wójcik",    "Kowalczyk", "Kamiński",
                              "Lewandowska", "Zieliński",  "Szymańska", "Woźniak",   "Dąbrowski",
                              "Kozłowska",   "Jankowski",  "Mazur",     "Krawczyk",  "Piotrowska",
                              "Grabowski",   "Nowakowska", "Pawłowski", "Michalska", "Król"})
            out.push_back(lumiro::engine::utf8ToCp1250(s));
        return out;
    }();
    return list;
}

// Employees are spread over the payers; earnings rows over the employees, 15 years each.
void writeYearFolder(const fs::path& kadry) {
    fs::create_directories(kadry);
    Session s("bench-setup");
    std::mt19937 rng(20050310);
    {
        s.createTable((kadry / "ZLEC.DB").string(), oldZlec());
        Table t(s);
        t.open((kadry / "ZLEC.DB").string(), AccessMode::Exclusive);
        t.beginBatch();
        for (int p = 1; p <= kPayers; ++p) {
            t.append();
            t.setAsInteger(0, p);
            t.setAsString(1, lumiro::engine::utf8ToCp1250("Zakład Usług nr " + std::to_string(p)));
            t.setAsString(2, std::to_string(5260000000LL + p));
            t.post();
        }
        t.endBatch();
    }
    {
        s.createTable((kadry / "RP7.DB").string(), oldRp7());
        Table t(s);
        t.open((kadry / "RP7.DB").string(), AccessMode::Exclusive);
        t.beginBatch();
        for (int e = 0; e < kEmployees; ++e) {
            t.append();
            t.setAsInteger(0, e % kPayers + 1);
            t.setAsInteger(1, e / kPayers + 1);
            t.setAsString(2, surnames()[rng() % surnames().size()] + " Jan");
            t.setAsString(3, "1955.0" + std::to_string(1 + e % 9) + ".1" + std::to_string(e % 10));
            t.setAsString(4, std::to_string(55010100000LL + e));
            t.setAsString(t.field("POLE36"), std::string(120 + e % 80, 'x'));
            t.setAsString(t.field("KP11"), std::to_string(55010100000LL + e));
            t.setAsString(t.field("KP10"), "polskie");
            t.post();
        }
        t.endBatch();
    }
    {
        s.createTable((kadry / "ZAR.DB").string(), oldZar());
        Table t(s);
        t.open((kadry / "ZAR.DB").string(), AccessMode::Exclusive);
        t.beginBatch();
        for (int r = 0; r < kEarningsRows; ++r) {
            const int e = r / 15;
            t.append();
            t.setAsInteger(0, e % kPayers + 1);
            t.setAsInteger(1, e / kPayers + 1);
            t.setAsString(2, std::to_string(1984 + r % 15));
            t.setAsFloat(4, 1000.0 + double(rng() % 500000) / 100.0);
            t.setAsFloat(5, double(rng() % 100000) / 100.0);
            t.setAsString(6, lumiro::engine::utf8ToCp1250("premia uznaniowa za wyniki kwartału"));
            t.post();
        }
        t.endBatch();
    }
    {
        s.createTable((kadry / "ZAL.DB").string(), oldZal());
        Table t(s);
        t.open((kadry / "ZAL.DB").string(), AccessMode::Exclusive);
        t.beginBatch();
        for (int r = 0; r < kPeriodRows; ++r) {
            const int e = r / 2;
            t.append();
            t.setAsInteger(0, e % kPayers + 1);
            t.setAsInteger(1, e / kPayers + 1);
            t.setAsString(2, std::to_string(1970 + r % 2 * 10) + ".09.01");
            t.setAsString(4, std::to_string(1979 + r % 2 * 10) + ".08.31");
            t.setAsString(5, lumiro::engine::utf8ToCp1250("zatrudnienie w zakładzie pracy"));
            t.post();
        }
        t.endBatch();
    }
}

class SilentPrompter : public lumiro::platform::Prompter {
  public:
    lumiro::platform::MessageResult ask(lumiro::platform::MessageIcon, const QString& text,
                                        lumiro::platform::MessageButtons) override {
        ++boxes;
        last = text;
        return lumiro::platform::MessageResult::Ok;
    }
    int boxes = 0;
    QString last;
};

class CountingBar : public lumiro::data::ProgressBar {
  public:
    void setMaximum(int) override {}
    void setPosition(int p) override { position = p; }
    void advance(int step) override { position += step; }
    int position = 0;
};

class BenchHost : public lumiro::data::StructureUpdateHost {
  public:
    explicit BenchHost(QString root) : root_(std::move(root)) {}
    Table& TSTARA() override { return stara_; }
    Table& TNOWA() override { return nowa_; }
    lumiro::platform::Prompter& prompter() override { return prompter_; }
    lumiro::data::ProgressBar* budowa() override { return &bar_; }
    QString SciezkaDanych() const override { return root_; }
    QString RokRoboczy() const override { return QStringLiteral("2004"); }
    void ZapiszRekord(Table& table) override {
        try {
            table.post();
        } catch (const std::exception&) {
            table.cancel();
            prompter_.error(QStringLiteral("Błąd zapisu"));
        }
    }
    SilentPrompter prompter_;

  private:
    QString root_;
    Session session_{"Default"};
    Table stara_{session_};
    Table nowa_{session_};
    CountingBar bar_;
};

// The year folder is built at the first use and kept for the other benchmarks.
fs::path preparedRoot() {
    static const fs::path root = [] {
        const fs::path r = benchRoot();
        fs::remove_all(r);
        writeYearFolder(r / "2004" / "KADRY");
        return r;
    }();
    return root;
}

// Back to the state before the update: no BAZA, the payers table in the year folder.
void resetRoot(const fs::path& root) {
    const fs::path kadry = root / "BAZA" / "KADRY";
    if (fs::exists(kadry)) {
        for (const auto& entry : fs::directory_iterator(kadry)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("ZLEC.", 0) == 0)
                fs::rename(entry.path(), root / "2004" / "KADRY" / name);
        }
    }
    fs::remove_all(root / "BAZA");
}

void BM_StructureUpdate(benchmark::State& state) {
    const fs::path root = preparedRoot();
    std::int64_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetRoot(root);
        BenchHost host(QString::fromStdString(root.string() + "/"));
        state.ResumeTiming();
        lumiro::data::updateStructure(host);
        state.PauseTiming();
        if (host.prompter_.boxes != 1) state.SkipWithError("unexpected message box");
        records += kEmployees + kEarningsRows + kPeriodRows;
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StructureUpdate)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

// Reference: the same records read from the old tables and written into the new layouts
// with values set by column position, one batch per table.
void BM_StructureUpdateReferenceBulkLoad(benchmark::State& state) {
    const fs::path root = preparedRoot();
    const fs::path staging = root / "REFERENCE";
    std::int64_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(staging);
        fs::create_directories(staging);
        state.ResumeTiming();
        Session s("reference");
        const std::pair<const char*, const lumiro::data::TableLayout*> tables[] = {
            {"RP7", &lumiro::data::rp7Layout()},
            {"ZAR", &lumiro::data::zarLayout()},
            {"ZAL", &lumiro::data::zalLayout()}};
        for (const auto& [name, layout] : tables) {
            Table from(s);
            from.open((root / "2004" / "KADRY" / (std::string(name) + ".DB")).string(),
                      AccessMode::ReadOnly);
            const std::string path = (staging / (std::string(name) + ".DB")).string();
            s.createTable(path, layout->def);
            Table to(s);
            to.open(path, AccessMode::Exclusive);
            std::vector<std::pair<int, int>> same;
            for (int i = 0; i < from.storedFieldCount(); ++i) {
                const int j = to.fieldIndex(from.fields()[std::size_t(i)].name);
                if (j >= 0 && to.fields()[std::size_t(j)].type != FieldType::AutoInc &&
                    to.fields()[std::size_t(j)].size >= from.fields()[std::size_t(i)].size)
                    same.emplace_back(i, j);
            }
            to.beginBatch();
            for (from.first(); !from.eof(); from.next()) {
                to.append();
                for (auto [i, j] : same) to.setValue(j, from.value(i));
                to.post();
                ++records;
            }
            to.endBatch();
        }
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StructureUpdateReferenceBulkLoad)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();


// Start-up up to the main window: the data module opens every table of the large data set
// (the result of the update above) the way the program does at every start. The windows
// themselves are built in well under a millisecond and are not part of the figure.
void BM_StartupDataModule(benchmark::State& state) {
    const fs::path root = preparedRoot();
    if (!fs::exists(root / "BAZA" / "KADRY" / "RP7.DB")) {
        resetRoot(root);
        BenchHost host(QString::fromStdString(root.string() + "/"));
        lumiro::data::updateStructure(host);
    }
    for (const char* table : {"FIRMA", "KAD"})
        for (const auto& entry : fs::directory_iterator(LUMIRO_INSTALL_DIR))
            if (entry.path().stem() == table)
                fs::copy_file(entry.path(), root / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
    // The program runs in its own folder, which holds FIRMA.DB and KAD.DB.
    const fs::path previous = fs::current_path();
    fs::current_path(root);
    int boxes = 0;
    for (auto _ : state) {
        lumiro::platform::ProcessValues values;
        values.DataDzis = QStringLiteral("2005.03.10");
        values.RokRoboczy = QStringLiteral("2005");
        SilentPrompter prompter;
        CountingBar bar;
        lumiro::data::Tdane::Environment environment;
        environment.programFolder = QString::fromStdString(root.string());
        environment.programFile = QStringLiteral("lumiro");
        environment.arguments = QStringList{};
        environment.budowa = &bar;
        lumiro::data::Tdane module(values, prompter, std::move(environment));
        module.create();
        if (values.Przerwij) {
            static std::string why;
            why = "start-up stopped: " + prompter.last.toStdString();
            state.SkipWithError(why.c_str());
            break;
        }
        boxes += prompter.boxes;
    }
    fs::current_path(previous);
    state.counters["message boxes"] = double(boxes) / double(std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_StartupDataModule)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
