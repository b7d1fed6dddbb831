// The update of an older release's year folder, fed with table files that pxlib writes, so
// that the old data come from another Paradox implementation as they would in the field.
#include "data/structure_update.h"

#include <gtest/gtest.h>

#include <QDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/progress_bar.h"
#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/paradox_format.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/prompter.h"
#include "support/fault_env.h"
#include "support/paradox_table_file.h"
#include "support/pxlib_tables.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"

namespace lumiro::data {
namespace {

namespace fs = std::filesystem;
using engine::FieldDef;
using engine::FieldType;
using engine::Value;
using platform::MessageIcon;

const QString kInfo = QStringLiteral("Aktualizacja struktury danych. Może to potrwać kilka minut.");

FieldDef column(const std::string& name, FieldType type, int size = 0) {
    return FieldDef{name, type, size, false};
}

std::string cp(const std::string& utf8) {
    return engine::utf8ToCp1250(utf8);
}

// A table written by pxlib; rows of a keyed table must come sorted, pxlib does not sort them.
void writeOldTable(const std::string& path, const std::vector<FieldDef>& fields, int keys,
                   const std::vector<test::Row>& rows) {
    ASSERT_NO_THROW(test::writePxlibTable(path, fields, keys, rows, "OLD"));
}

// pxlib writes only the Paradox 7 format; the older release's tables may be older.
void makeParadox4(const std::string& path) {
    test::writeFileBytes(path, test::olderParadoxVersion(test::readFileBytes(path), 9));
}

// The primary index pxlib builds for a keyed table it wrote.
void writeOldPrimaryIndex(const std::string& dbPath, const std::string& pxPath) {
    ASSERT_NO_THROW(test::writePxlibPrimaryIndex(dbPath, pxPath));
}

// Records each run of the bar: the maximum it was given and how far it went.
class RecordingProgress : public ProgressBar {
  public:
    void setMaximum(int maximum) override { runs.push_back({maximum, position}); }
    void setPosition(int p) override { position = p; }
    void advance(int step) override {
        position += step;
        if (!runs.empty()) runs.back().second = position;
    }
    std::vector<std::pair<int, int>> runs;  // maximum, final position
    int position = 0;
};

// The data module's side of the update, as the data module provides it.
class Host : public StructureUpdateHost {
  public:
    explicit Host(QString root, engine::Env& files = engine::Env::system())
        : root_(std::move(root)), session_("default", files) {}
    engine::Table& TSTARA() override { return stara_; }
    engine::Table& TNOWA() override { return nowa_; }
    platform::Prompter& prompter() override { return prompter_; }
    ProgressBar* budowa() override { return &progress_; }
    QString SciezkaDanych() const override { return root_; }
    QString RokRoboczy() const override { return QStringLiteral("2004"); }
    void ZapiszRekord(engine::Table& table) override {
        try {
            table.post();
        } catch (const engine::EngineError&) {
            table.cancel();
            prompter_.error(QStringLiteral("Błąd zapisu"));
        }
    }

    platform::ScriptedPrompter prompter_;
    RecordingProgress progress_;

  private:
    QString root_;
    engine::Session session_;
    engine::Table stara_{session_};
    engine::Table nowa_{session_};
};

using Rows = std::vector<std::map<std::string, Value>>;

// Every record of a table, keyed by column name, in primary key order.
Rows readTable(const std::string& path, std::vector<FieldDef>* fields = nullptr,
               std::vector<engine::IndexDef>* indexes = nullptr) {
    engine::Session s("check");
    engine::Table t(s);
    t.open(path, engine::AccessMode::ReadOnly);
    if (fields) *fields = std::vector<FieldDef>(t.fields().begin(), t.fields().end());
    if (indexes) *indexes = t.indexes();
    Rows rows;
    for (t.first(); !t.eof(); t.next()) {
        std::map<std::string, Value> row;
        for (int i = 0; i < t.storedFieldCount(); ++i)
            row[t.fields()[std::size_t(i)].name] = t.value(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string text(const Value& v) {
    return engine::isNull(v) ? "" : std::get<std::string>(v);
}
std::int64_t integer(const Value& v) {
    return std::get<std::int64_t>(v);
}

class StructureUpdate : public ::testing::Test {
  protected:
    std::string root() const { return dir.path() + "/"; }
    std::string kadry() const { return root() + "BAZA/KADRY/"; }
    // The year folder as an older release spelled it: mixed case, lower-case file names.
    std::string year() const { return root() + "2004/Kadry/"; }
    void makeYearFolder() const { fs::create_directories(year()); }

    std::vector<const QString*> boxes(const Host& host, MessageIcon icon) const {
        std::vector<const QString*> out;
        for (const auto& q : host.prompter_.questions())
            if (q.icon == icon) out.push_back(&q.text);
        return out;
    }

    test::TempDir dir;
};

TEST_F(StructureUpdate, OlderYearFolderIsCarriedOverByColumnName) {
    makeYearFolder();
    // Employees of an older layout: other order, fewer columns, one the new layout lacks,
    // POLE36 longer than the new 150 characters, and an older Paradox file version.
    const std::vector<FieldDef> oldRp7 = {
        column("NR", FieldType::Long),         column("ZLEC", FieldType::Long),
        column("KP11", FieldType::Alpha, 11),  column("POLE1", FieldType::Alpha, 40),
        column("STARE", FieldType::Alpha, 10), column("POLE36", FieldType::Alpha, 200),
        column("R7", FieldType::Alpha, 60)};
    const std::string longRemark(200, 'x');
    writeOldTable(year() + "rp7.db", oldRp7, 0,
                  {{std::int64_t(1), std::int64_t(1), cp("85010112345"), cp("Wąsowska Żaneta"),
                    cp("old"), longRemark, cp("ślusarz")},
                   {std::int64_t(2), std::int64_t(1), cp("79123112346"), cp("Łukasik Bożydar"),
                    Value{}, Value{}, Value{}},
                   {std::int64_t(1), std::int64_t(2), Value{}, cp("Kowalczyk Jan"), Value{},
                    cp("krótko"), Value{}}});
    makeParadox4(year() + "rp7.db");
    engine::px::Header oldHeader;
    test::readParadoxTable(test::readFileBytes(year() + "rp7.db"), &oldHeader);
    ASSERT_EQ(oldHeader.fileVersion, 0x09);
    ASSERT_EQ(oldHeader.fields[3].name, "POLE1");
    // Earnings with their own AUTO numbers and kinds longer than the new 30 characters.
    const std::vector<FieldDef> oldZar = {
        column("ZLEC", FieldType::Long),      column("NR", FieldType::Long),
        column("POLE1", FieldType::Alpha, 4), column("AUTO", FieldType::AutoInc),
        column("POLE2", FieldType::Money),    column("POLE4", FieldType::Alpha, 40),
        column("POLE9", FieldType::Money)};
    const std::string longKind = cp("premia kwartalna za wyniki sprzedaży w regionie");
    writeOldTable(
        year() + "ZAR.DB", oldZar, 0,
        {{std::int64_t(1), std::int64_t(1), cp("1998"), std::int64_t(5), 12345.67, longKind, 0.01},
         {std::int64_t(1), std::int64_t(1), cp("1999"), std::int64_t(9), 23456.78, Value{},
          Value{}},
         {std::int64_t(1), std::int64_t(2), cp("1998"), std::int64_t(12), 999.5, cp("nagroda"),
          100.0}});
    // Periods keyed by pxlib, with pxlib's own primary index beside them.
    const std::vector<FieldDef> oldZal = {
        column("ZLEC", FieldType::Long), column("NR", FieldType::Long),
        column("POLE1", FieldType::Alpha, 10), column("POLE3", FieldType::Alpha, 80)};
    writeOldTable(year() + "ZAL.DB", oldZal, 1,
                  {{std::int64_t(1), std::int64_t(1), cp("1990.09.01"), cp("Zakłady Mięsne")}});
    writeOldPrimaryIndex(year() + "ZAL.DB", year() + "ZAL.PX");
    // Payers: moved as they are, with every companion file.
    const std::vector<FieldDef> oldZlec = {column("NR", FieldType::Long),
                                           column("POCZTA", FieldType::Alpha, 60),
                                           column("NIP", FieldType::Alpha, 13)};
    writeOldTable(year() + "ZLEC.DB", oldZlec, 1,
                  {{std::int64_t(1), cp("Piekarnia „Złoty Kłos” s.c."), cp("5260001246")},
                   {std::int64_t(2), cp("Usługi Remontowe Ćwiek"), Value{}}});
    writeOldPrimaryIndex(year() + "ZLEC.DB", year() + "ZLEC.PX");
    std::ofstream(year() + "ZLEC.VAL") << "checks";

    Host host(QString::fromStdString(root()));
    updateStructure(host);

    EXPECT_EQ(host.prompter_.questions().size(), 1u);
    ASSERT_EQ(boxes(host, MessageIcon::Information).size(), 1u);
    EXPECT_EQ(*boxes(host, MessageIcon::Information)[0], kInfo);
    EXPECT_FALSE(fs::exists(root() + "BAZA/AKTUALIZACJA"));

    // Every new table has exactly the current layout.
    for (const TableLayout* layout : employeeTableLayouts()) {
        std::vector<FieldDef> fields;
        std::vector<engine::IndexDef> indexes;
        readTable(kadry() + std::string(layout->name) + ".DB", &fields, &indexes);
        fields.resize(std::size_t(layout->columnCount()));
        EXPECT_EQ(layoutDifferences(*layout, fields, indexes), std::vector<std::string>{})
            << layout->name;
    }

    const Rows rp7 = readTable(kadry() + "RP7.DB");
    ASSERT_EQ(rp7.size(), 3u);
    EXPECT_EQ(integer(rp7[0].at("ZLEC")), 1);
    EXPECT_EQ(integer(rp7[0].at("NR")), 1);
    EXPECT_EQ(text(rp7[0].at("POLE1")), cp("Wąsowska Żaneta"));
    EXPECT_EQ(text(rp7[0].at("KP11")), "85010112345");
    EXPECT_EQ(text(rp7[0].at("POLE36")), std::string(150, 'x'));
    EXPECT_EQ(text(rp7[0].at("R7")), cp("ślusarz"));
    EXPECT_TRUE(engine::isNull(rp7[0].at("KP12")));  // new column starts empty
    EXPECT_EQ(text(rp7[1].at("POLE1")), cp("Łukasik Bożydar"));
    EXPECT_EQ(integer(rp7[2].at("ZLEC")), 2);
    EXPECT_EQ(text(rp7[2].at("POLE36")), cp("krótko"));

    const Rows zar = readTable(kadry() + "ZAR.DB");
    ASSERT_EQ(zar.size(), 3u);
    EXPECT_EQ(integer(zar[0].at("AUTO")), 1);  // renumbered in copy order, not 5, 9, 12
    EXPECT_EQ(integer(zar[1].at("AUTO")), 2);
    EXPECT_EQ(integer(zar[2].at("AUTO")), 3);
    EXPECT_EQ(std::get<double>(zar[0].at("POLE2")), 12345.67);
    EXPECT_EQ(std::get<double>(zar[0].at("POLE9")), 0.01);
    EXPECT_EQ(text(zar[0].at("POLE4")), longKind.substr(0, 30));
    EXPECT_EQ(text(zar[1].at("POLE1")), "1999");
    EXPECT_TRUE(engine::isNull(zar[1].at("POLE9")));
    EXPECT_EQ(text(zar[2].at("POLE4")), "nagroda");

    const Rows zal = readTable(kadry() + "ZAL.DB");
    ASSERT_EQ(zal.size(), 1u);
    EXPECT_EQ(text(zal[0].at("POLE3")), cp("Zakłady Mięsne"));
    EXPECT_TRUE(readTable(kadry() + "ZAL2.DB").empty());
    EXPECT_TRUE(readTable(kadry() + "ZAL3.DB").empty());

    // ZLEC left the year folder with all its files and holds what it held.
    for (const char* ext : {".DB", ".PX", ".VAL"}) {
        EXPECT_TRUE(fs::exists(kadry() + "ZLEC" + ext)) << ext;
        EXPECT_FALSE(fs::exists(year() + "ZLEC" + ext)) << ext;
    }
    const Rows zlec = readTable(kadry() + "ZLEC.DB");
    ASSERT_EQ(zlec.size(), 2u);
    EXPECT_EQ(text(zlec[0].at("POCZTA")), cp("Piekarnia „Złoty Kłos” s.c."));
    EXPECT_EQ(text(zlec[1].at("POCZTA")), cp("Usługi Remontowe Ćwiek"));

    // The other old tables stay where they were, with their records.
    EXPECT_EQ(test::readParadoxTable(test::readFileBytes(year() + "rp7.db")).size(), 3u);
    EXPECT_EQ(test::readParadoxTable(test::readFileBytes(year() + "ZAR.DB")).size(), 3u);

    // The bar counts the records of each old table, then goes back to 0 of 100.
    using Run = std::pair<int, int>;
    EXPECT_EQ(host.progress_.runs, (std::vector<Run>{{3, 3}, {3, 3}, {1, 1}, {100, 0}}));
}

// Without a payers table no card could ever be added: an empty one is made, and the user is
// told where to begin.
TEST_F(StructureUpdate, NewInstallationGetsFiveEmptyTablesAndAnEmptyPayersTable) {
    Host host(QString::fromStdString(root()));
    updateStructure(host);

    ASSERT_EQ(host.prompter_.questions().size(), 2u);
    EXPECT_EQ(host.prompter_.questions()[0].text, kInfo);
    EXPECT_TRUE(host.prompter_.questions()[1].text.contains(QStringLiteral("ZLEC.DB")));
    EXPECT_TRUE(host.prompter_.questions()[1].text.contains(QStringLiteral("Płatnicy składek")));
    for (const char* name : {"RP7", "ZAR", "ZAL", "ZAL2", "ZAL3", "ZLEC"})
        EXPECT_TRUE(readTable(kadry() + name + ".DB").empty()) << name;
    std::vector<FieldDef> fields;
    std::vector<engine::IndexDef> indexes;
    readTable(kadry() + "ZLEC.DB", &fields, &indexes);
    EXPECT_EQ(layoutDifferences(zlecLayout(), fields, indexes), std::vector<std::string>{});
    EXPECT_EQ(host.progress_.runs, (std::vector<std::pair<int, int>>{{100, 0}}));
}

// A start after an update that stopped half way (power cut): the half-filled tables in the
// staging folder are built again from the year folder, and a table someone already has in
// BAZA\KADRY is reported and left as it is.
TEST_F(StructureUpdate, UnfinishedUpdateIsRedoneAndExistingTablesAreKept) {
    makeYearFolder();
    const std::vector<FieldDef> oldZar = {column("ZLEC", FieldType::Long),
                                          column("NR", FieldType::Long),
                                          column("POLE1", FieldType::Alpha, 4)};
    writeOldTable(year() + "ZAR.DB", oldZar, 0,
                  {{std::int64_t(1), std::int64_t(1), cp("2001")},
                   {std::int64_t(1), std::int64_t(1), cp("2002")}});
    {
        engine::Session s("setup");
        fs::create_directories(root() + "BAZA/AKTUALIZACJA");
        s.createTable(root() + "BAZA/AKTUALIZACJA/ZAR.DB", zarLayout().def);
        engine::Table t(s);
        t.open(root() + "BAZA/AKTUALIZACJA/ZAR.DB");
        t.append();
        t.setAsString(t.field("POLE1"), "2001");
        t.post();
        fs::create_directories(kadry());
        s.createTable(kadry() + "ZAL2.DB", zal2Layout().def);
        engine::Table own(s);
        own.open(kadry() + "ZAL2.DB");
        own.append();
        own.setAsString(own.field("POLE1"), cp("chorobowy"));
        own.post();
    }

    Host host(QString::fromStdString(root()));
    updateStructure(host);

    // The table kept on purpose is not reported as one that could not be created; the payers
    // table the year folder lacked is made empty, and said so.
    const auto& q = host.prompter_.questions();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].text, kInfo);
    EXPECT_EQ(q[1].icon, MessageIcon::Information);
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("ZLEC.DB")));
    EXPECT_TRUE(host.prompter_.title().isEmpty());

    const Rows zar = readTable(kadry() + "ZAR.DB");
    ASSERT_EQ(zar.size(), 2u);
    EXPECT_EQ(text(zar[0].at("POLE1")), "2001");
    EXPECT_EQ(text(zar[1].at("POLE1")), "2002");
    const Rows zal2 = readTable(kadry() + "ZAL2.DB");
    ASSERT_EQ(zal2.size(), 1u);
    EXPECT_EQ(text(zal2[0].at("POLE1")), cp("chorobowy"));
    EXPECT_TRUE(fs::exists(kadry() + "RP7.DB"));
}

// A record the new key refuses is reported once and the copy goes on; a value that does not
// fit its new column's type is left out of an otherwise saved record.
TEST_F(StructureUpdate, RefusedRecordsAndValuesDoNotStopTheCopy) {
    makeYearFolder();
    const std::vector<FieldDef> oldRp7 = {column("ZLEC", FieldType::Long),
                                          column("NR", FieldType::Long),
                                          column("POLE1", FieldType::Alpha, 50)};
    writeOldTable(year() + "RP7.DB", oldRp7, 0,
                  {{std::int64_t(1), std::int64_t(1), cp("Pierwszy")},
                   {std::int64_t(1), std::int64_t(1), cp("Duplikat")},
                   {std::int64_t(1), std::int64_t(2), cp("Trzeci")}});
    const std::vector<FieldDef> oldZar = {
        column("ZLEC", FieldType::Long), column("NR", FieldType::Long),
        column("POLE1", FieldType::Alpha, 4), column("POLE2", FieldType::Alpha, 12),
        column("POLE3", FieldType::Money)};
    writeOldTable(year() + "ZAR.DB", oldZar, 0,
                  {{std::int64_t(1), std::int64_t(1), cp("2000"), cp("12 zł"), 7.5},
                   {std::int64_t(1), std::int64_t(2), cp("2000"), cp("1250.40"), Value{}}});

    Host host(QString::fromStdString(root()));
    updateStructure(host);

    ASSERT_EQ(boxes(host, MessageIcon::Error).size(), 1u);
    EXPECT_EQ(*boxes(host, MessageIcon::Error)[0], QStringLiteral("Błąd zapisu"));
    const Rows rp7 = readTable(kadry() + "RP7.DB");
    ASSERT_EQ(rp7.size(), 2u);
    EXPECT_EQ(text(rp7[0].at("POLE1")), "Pierwszy");
    EXPECT_EQ(text(rp7[1].at("POLE1")), "Trzeci");
    const Rows zar = readTable(kadry() + "ZAR.DB");
    ASSERT_EQ(zar.size(), 2u);
    EXPECT_TRUE(engine::isNull(zar[0].at("POLE2")));
    EXPECT_EQ(std::get<double>(zar[0].at("POLE3")), 7.5);
    EXPECT_EQ(std::get<double>(zar[1].at("POLE2")), 1250.40);
}

// The first start of this release in the folder of an older one: the data module finds no
// employee table, settles on the last year folder and runs the update through its hook.
TEST_F(StructureUpdate, DataModuleCarriesAnOlderReleaseOverAtItsFirstStart) {
    for (const auto& entry : fs::directory_iterator(LUMIRO_INSTALL_DATA_DIR))
        if (entry.is_regular_file())
            fs::copy(entry.path(), root() + entry.path().filename().string());
    makeYearFolder();
    const std::vector<FieldDef> oldRp7 = {column("ZLEC", FieldType::Long),
                                          column("NR", FieldType::Long),
                                          column("POLE1", FieldType::Alpha, 50)};
    writeOldTable(year() + "RP7.DB", oldRp7, 0,
                  {{std::int64_t(1), std::int64_t(1), cp("Żurawska Genowefa")},
                   {std::int64_t(1), std::int64_t(2), cp("Ślęzak Bogdan")}});
    const std::vector<FieldDef> oldZlec = {column("NR", FieldType::Long),
                                           column("POCZTA", FieldType::Alpha, 60)};
    writeOldTable(year() + "ZLEC.DB", oldZlec, 0, {{std::int64_t(1), cp("Cukrownia Łapy")}});

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
    platform::ProcessValues values;
    values.DataDzis = QStringLiteral("2005.03.10");
    values.RokRoboczy = QStringLiteral("2005");
    platform::ScriptedPrompter prompter;
    std::vector<QString> employees;
    QString payer;
    {
        Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        env.Aktualizacja = Aktualizacja;
        Tdane dane(values, prompter, std::move(env));
        dane.create();
        ASSERT_TRUE(dane.TZlec.isOpen());
        ASSERT_TRUE(dane.TRP7.isOpen());
        payer = QString::fromStdString(
            engine::cp1250ToUtf8(dane.TZlec.asString(dane.TZlec.field("POCZTA"))));
        for (dane.TRP7.first(); !dane.TRP7.eof(); dane.TRP7.next())
            employees.push_back(QString::fromStdString(
                engine::cp1250ToUtf8(dane.TRP7.asString(dane.TRP7.field("POLE1")))));
        EXPECT_TRUE(dane.Tzar.isOpen());
        EXPECT_TRUE(dane.TZal3.isOpen());
    }
    QDir::setCurrent(previous);

    EXPECT_EQ(values.RokRoboczy, QStringLiteral("2004"));
    std::vector<QString> informations;
    for (const auto& q : prompter.questions())
        if (q.icon == MessageIcon::Information) informations.push_back(q.text);
    EXPECT_EQ(informations, std::vector<QString>{kInfo});
    EXPECT_EQ(payer, QStringLiteral("Cukrownia Łapy"));
    EXPECT_EQ(employees, (std::vector<QString>{QStringLiteral("Żurawska Genowefa"),
                                               QStringLiteral("Ślęzak Bogdan")}));
    EXPECT_FALSE(fs::exists(year() + "ZLEC.DB"));
}


// Every file of a folder with its bytes.
std::map<std::string, std::vector<std::byte>> snapshot(const std::string& folder) {
    std::map<std::string, std::vector<std::byte>> out;
    for (const auto& entry : fs::directory_iterator(folder))
        out[entry.path().filename().string()] = test::readFileBytes(entry.path().string());
    return out;
}

class OlderReleaseFolder : public StructureUpdate {
  protected:
    // A year folder as the older release's Paradox engine left it: keyed tables with their
    // own primary index files and a secondary index of theirs beside the employees.
    void writeGenuineYear() {
        makeYearFolder();
        const std::vector<FieldDef> rp7 = {
            column("ZLEC", FieldType::Long), column("NR", FieldType::Long),
            column("POLE1", FieldType::Alpha, 50), column("KP11", FieldType::Alpha, 11)};
        std::vector<test::Row> employees;
        for (int nr = 1; nr <= 40; ++nr)
            employees.push_back({std::int64_t(1 + nr / 30), std::int64_t(nr),
                                 cp("Pracownik Łódzki " + std::to_string(nr)),
                                 std::string("850101") + std::to_string(10000 + nr)});
        std::sort(employees.begin(), employees.end());
        writeOldTable(year() + "RP7.DB", rp7, 2, employees);
        writeOldPrimaryIndex(year() + "RP7.DB", year() + "RP7.PX");
        test::writeFileBytes(year() + "RP7.XG0",
                             test::genuineSecondaryIndex({rp7[0], rp7[2], rp7[0], rp7[1],
                                                          column("Hint", FieldType::Short)},
                                                         {1, 3, 1, 2, 0}, "Ninx"));
        const std::vector<FieldDef> zar = {
            column("ZLEC", FieldType::Long), column("NR", FieldType::Long),
            column("POLE1", FieldType::Alpha, 4), column("POLE2", FieldType::Money)};
        std::vector<test::Row> earnings;
        for (int nr = 1; nr <= 40; ++nr)
            for (int y = 1990; y < 1995; ++y)
                earnings.push_back({std::int64_t(1 + nr / 30), std::int64_t(nr),
                                    std::to_string(y), 1000.0 * nr + y});
        std::sort(earnings.begin(), earnings.end());
        writeOldTable(year() + "ZAR.DB", zar, 3, earnings);
        writeOldPrimaryIndex(year() + "ZAR.DB", year() + "ZAR.PX");
        const std::vector<FieldDef> zlec = {column("NR", FieldType::Long),
                                            column("POCZTA", FieldType::Alpha, 60)};
        writeOldTable(year() + "ZLEC.DB", zlec, 1,
                      {{std::int64_t(1), cp("Piekarnia Kłos")}, {std::int64_t(2), cp("Ćwiek")}});
        writeOldPrimaryIndex(year() + "ZLEC.DB", year() + "ZLEC.PX");
    }

    void expectCarriedOver() {
        const Rows rp7 = readTable(kadry() + "RP7.DB");
        ASSERT_EQ(rp7.size(), 40u);
        EXPECT_EQ(text(rp7[0].at("POLE1")), cp("Pracownik Łódzki 1"));
        EXPECT_EQ(readTable(kadry() + "ZAR.DB").size(), 200u);
        const Rows zlec = readTable(kadry() + "ZLEC.DB");
        ASSERT_EQ(zlec.size(), 2u);
        EXPECT_EQ(text(zlec[1].at("POCZTA")), cp("Ćwiek"));
    }
};

TEST_F(OlderReleaseFolder, YearFolderIsLeftAsItWasByteForByte) {
    writeGenuineYear();
    const auto before = snapshot(year());
    {
        // The older release's own index files are understood as they are.
        std::vector<engine::IndexDef> indexes;
        EXPECT_EQ(readTable(year() + "RP7.DB", nullptr, &indexes).size(), 40u);
        ASSERT_EQ(indexes.size(), 2u);
        EXPECT_EQ(indexes[1].name, "Ninx");
        EXPECT_EQ(indexes[1].fields, (std::vector<std::string>{"ZLEC", "POLE1"}));
    }
    EXPECT_EQ(snapshot(year()), before);
    Host host(QString::fromStdString(root()));
    updateStructure(host);
    ASSERT_EQ(host.prompter_.questions().size(), 1u) << host.prompter_.questions().back().text.toStdString();
    expectCarriedOver();
    // Everything but the payers table, which moved out with its files as they were.
    auto expected = before;
    for (const char* name : {"ZLEC.DB", "ZLEC.PX"}) {
        EXPECT_EQ(test::readFileBytes(kadry() + name), before.at(name)) << name;
        expected.erase(name);
    }
    EXPECT_EQ(snapshot(year()), expected);
}

// Runs `work` where the year folder cannot be written: in a child process under another user,
// because the tests run as root, for whom the permissions do not count. The child's message
// boxes come back as the result; an empty optional when the child did not finish.
std::optional<std::vector<QString>> runWithoutWriteAccess(
    const std::string& folder, const std::function<std::vector<QString>()>& work) {
    if (getuid() != 0) return work();
    int pipe[2];
    if (::pipe(pipe) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        constexpr uid_t kNobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(3);
        // The test proves nothing if the folder can still be written.
        if (access(folder.c_str(), W_OK) == 0) _exit(4);
        QByteArray out;
        for (const QString& text : work()) out += text.toUtf8() + '\x1F';
        if (::write(pipe[1], out.constData(), std::size_t(out.size())) != out.size()) _exit(5);
        _exit(0);
    }
    ::close(pipe[1]);
    QByteArray in;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) in.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "the unprivileged run ended with status " << status;
        return std::nullopt;
    }
    std::vector<QString> texts;
    for (const QByteArray& part : in.split('\x1F'))
        if (!part.isEmpty()) texts.push_back(QString::fromUtf8(part));
    return texts;
}

TEST_F(OlderReleaseFolder, UnwritableYearFolderIsCarriedOverAndKept) {
    writeGenuineYear();
    const auto before = snapshot(year());
    // Read-only files in folders nobody may write, as on a CD copy or another user's disk.
    for (const auto& entry : fs::directory_iterator(year())) chmod(entry.path().c_str(), 0444);
    chmod(year().c_str(), 0555);
    chmod((root() + "2004").c_str(), 0555);
    chmod(dir.path().c_str(), 0777);

    const auto texts = runWithoutWriteAccess(year(), [this] {
        Host host(QString::fromStdString(root()));
        updateStructure(host);
        std::vector<QString> out;
        for (const auto& q : host.prompter_.questions()) out.push_back(q.text);
        return out;
    });
    chmod((root() + "2004").c_str(), 0755);
    chmod(year().c_str(), 0755);
    ASSERT_TRUE(texts);
    EXPECT_EQ(*texts, std::vector<QString>{kInfo});
    expectCarriedOver();
    EXPECT_EQ(snapshot(year()), before);
    // The payers table could not leave the folder: it was copied, byte for byte.
    for (const char* name : {"ZLEC.DB", "ZLEC.PX"})
        EXPECT_EQ(test::readFileBytes(kadry() + name), before.at(name)) << name;
}

TEST_F(OlderReleaseFolder, UnreadableOldTableStopsTheUpdateUntilTheNextStart) {
    writeGenuineYear();
    std::vector<std::byte> garbage(3000, std::byte{0x5A});
    test::writeFileBytes(year() + "ZAR.DB", garbage);
    const auto before = snapshot(year());
    {
        Host host(QString::fromStdString(root()));
        updateStructure(host);
        const auto errors = boxes(host, MessageIcon::Error);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0]->contains(QStringLiteral("ZAR.DB"))) << errors[0]->toStdString();
        EXPECT_TRUE(errors[0]->contains(QStringLiteral("2004")));
        EXPECT_TRUE(errors[0]->contains(QStringLiteral("następnym uruchomieniu")));
    }
    // Nothing appeared that would stop the next start from trying again.
    EXPECT_TRUE(fs::is_empty(kadry()));
    EXPECT_FALSE(fs::exists(root() + "BAZA/AKTUALIZACJA"));
    EXPECT_EQ(snapshot(year()), before);

    // Repaired, the next start carries everything over.
    fs::remove(year() + "ZAR.DB");
    fs::remove(year() + "ZAR.PX");
    Host host(QString::fromStdString(root()));
    updateStructure(host);
    EXPECT_EQ(host.prompter_.questions().size(), 1u);
    EXPECT_EQ(readTable(kadry() + "RP7.DB").size(), 40u);
    EXPECT_TRUE(readTable(kadry() + "ZAR.DB").empty());
}

// A record of the year folder that cannot be read stops the update: nothing reaches
// BAZA\KADRY (not the tables copied before it, nor the records of that table read so far),
// and the year folder stays as it was for the next start.
TEST_F(OlderReleaseFolder, AnUnreadableRecordStopsTheUpdateWithNothingInstalled) {
    writeGenuineYear();
    {
        // Periods with an index of this program's beside them, so that the records are read
        // one by one as the copy goes.
        engine::Session s("old");
        s.createTable(year() + "ZAL.DB", zalLayout().def);
        engine::Table t(s);
        t.open(year() + "ZAL.DB");
        t.beginBatch();
        for (int i = 0; i < 400; ++i) {
            t.append();
            t.setValue("ZLEC", Value{std::int64_t(1)});
            t.setValue("NR", Value{std::int64_t(1 + i % 40)});
            t.setValue("POLE1",
                       Value{std::to_string(1980 + i / 12) + "." + std::to_string(10 + i % 12)});
            t.post();
        }
        t.endBatch();
    }
    // The second data block claims more records than it can hold.
    auto bytes = test::readFileBytes(year() + "ZAL.DB");
    engine::px::Header header;
    test::readParadoxTable(bytes, &header);
    ASSERT_GE(header.fileBlocks, 3);
    const std::size_t second = header.blockOffset(2);
    const int claimed = header.recordSize * (header.recordsPerBlock() + 3);
    bytes[second + 4] = std::byte(claimed & 0xFF);
    bytes[second + 5] = std::byte(claimed >> 8);
    test::writeFileBytes(year() + "ZAL.DB", bytes);
    const auto before = snapshot(year());

    Host host(QString::fromStdString(root()));
    updateStructure(host);
    const auto errors = boxes(host, MessageIcon::Error);
    ASSERT_EQ(errors.size(), 1u);
    for (const char* part : {"ZAL.DB", "2004", "Rekord nr", "następnym uruchomieniu"})
        EXPECT_TRUE(errors[0]->contains(QString::fromUtf8(part)))
            << part << ": " << errors[0]->toStdString();
    EXPECT_TRUE(fs::is_empty(kadry()));
    EXPECT_FALSE(fs::exists(root() + "BAZA/AKTUALIZACJA"));
    EXPECT_EQ(snapshot(year()), before);
}

// Whatever single step of the update fails (a folder, a table, a record, a commit, a move, the
// record of the moves), BAZA\KADRY gets all the tables or none, and the year folder keeps its
// tables; only once everything is in place does the payers table leave it.
TEST_F(StructureUpdate, AFailureAtAnyStepInstallsEverythingOrNothing) {
    const std::string yearFolder = "/d/2004/KADRY/";
    auto seed = [&](test::MemEnv& env) {
        engine::Session s("seed", env);
        auto make = [&](const char* name, const engine::TableDef& def,
                        const std::vector<std::vector<std::pair<const char*, Value>>>& rows) {
            s.createTable(yearFolder + name, def);
            engine::Table t(s);
            t.open(yearFolder + name);
            for (const auto& row : rows) {
                t.append();
                for (const auto& [column, value] : row) t.setValue(column, value);
                t.post();
            }
        };
        make("RP7", rp7Layout().def,
             {{{"ZLEC", Value{std::int64_t(1)}},
               {"NR", Value{std::int64_t(1)}},
               {"POLE1", Value{cp("Żak")}}},
              {{"ZLEC", Value{std::int64_t(1)}},
               {"NR", Value{std::int64_t(2)}},
               {"POLE1", Value{cp("Łoś")}}}});
        make("ZAR", zarLayout().def,
             {{{"ZLEC", Value{std::int64_t(1)}},
               {"NR", Value{std::int64_t(1)}},
               {"POLE1", Value{std::string("1998")}}},
              {{"ZLEC", Value{std::int64_t(1)}},
               {"NR", Value{std::int64_t(2)}},
               {"POLE1", Value{std::string("1999")}}}});
        make("ZLEC", zlecLayout().def, {{{"NR", Value{std::int64_t(1)}}}});
        env.syncDir("/d/2004/KADRY");
    };
    auto yearFiles = [&](test::MemEnv& env) {
        std::map<std::string, std::vector<std::byte>> out;
        for (const auto& name : env.listDir("/d/2004/KADRY"))
            out[name] = env.contents(yearFolder + name);
        return out;
    };
    auto installed = [](test::MemEnv& env) {
        std::set<std::string> out;
        for (const auto& name : env.listDir("/d/BAZA/KADRY"))
            if (name.size() > 3 && name.substr(name.size() - 3) == ".DB") out.insert(name);
        return out;
    };
    const std::set<std::string> all = {"RP7.DB",  "ZAR.DB",  "ZAL.DB",
                                       "ZAL2.DB", "ZAL3.DB", "ZLEC.DB"};

    std::uint64_t steps = 0;
    {
        test::MemEnv env;
        seed(env);
        Host host(QStringLiteral("/d/"), env);
        const auto before = env.operationCount();
        updateStructure(host);
        steps = env.operationCount() - before;
        ASSERT_EQ(installed(env), all);
        EXPECT_FALSE(env.exists(yearFolder + "ZLEC.DB"));
    }
    int none = 0;
    for (std::uint64_t nth = 1; nth <= steps; ++nth) {
        SCOPED_TRACE("failure at step " + std::to_string(nth));
        test::MemEnv env;
        seed(env);
        const auto before = yearFiles(env);
        Host host(QStringLiteral("/d/"), env);
        env.failOperation(nth);
        updateStructure(host);
        const auto tables = installed(env);
        if (tables.empty()) {
            ++none;
            EXPECT_EQ(boxes(host, MessageIcon::Error).size(), 1u);
            EXPECT_EQ(yearFiles(env), before);
            EXPECT_FALSE(env.isDir("/d/BAZA/AKTUALIZACJA"));
            continue;
        }
        ASSERT_EQ(tables, all);
        EXPECT_EQ(test::readRows(env, "/d/BAZA/KADRY/RP7.DB").size(), 2u);
        EXPECT_EQ(test::readRows(env, "/d/BAZA/KADRY/ZAR.DB").size(), 2u);
        EXPECT_EQ(test::readRows(env, "/d/BAZA/KADRY/ZLEC.DB").size(), 1u);
    }
    EXPECT_GT(none, 0);
}

}  // namespace
}  // namespace lumiro::data
