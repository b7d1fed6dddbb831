// The tables a new installation starts with, as kept in the source tree: they must match
// the layouts, hold a consistent demonstration data set, be what the generator writes today,
// and let the data module start without a single message.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "data/data_module.h"
#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/process_values.h"
#include "platform/prompter.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"
#include "tools/install_data.h"

namespace lumiro::data {
namespace {

namespace fs = std::filesystem;
using engine::Value;

struct TableFile {
    const char* path;  // relative to the installation folder
    const TableLayout& layout;
    std::size_t records;
};

const std::vector<TableFile>& installTables() {
    static const std::vector<TableFile> tables = {
        {"FIRMA.DB", firmaLayout(), 1},          {"KAD.DB", kadLayout(), 1},
        {"BAZA/KADRY/ZLEC.DB", zlecLayout(), 1}, {"BAZA/KADRY/RP7.DB", rp7Layout(), 4},
        {"BAZA/KADRY/ZAR.DB", zarLayout(), 16},  {"BAZA/KADRY/ZAL.DB", zalLayout(), 8},
        {"BAZA/KADRY/ZAL2.DB", zal2Layout(), 2}, {"BAZA/KADRY/ZAL3.DB", zal3Layout(), 1}};
    return tables;
}

using Row = test::TableRow;

// The rows of the table, and where its columns and indexes differ from the layout.
std::vector<Row> readRows(const std::string& path, std::vector<std::string>* differences = nullptr,
                          const TableLayout* layout = nullptr) {
    if (differences && layout) {
        engine::Session s("layout");
        engine::Table t(s);
        t.open(path, engine::AccessMode::ReadOnly);
        *differences = layoutDifferences(*layout, t.fields(), t.indexes());
    }
    return test::readRows(path);
}

std::string text(const Row& row, const std::string& column) {
    const Value& v = row.at(column);
    return engine::isNull(v) ? std::string() : std::get<std::string>(v);
}

// The kept files are opened on a copy: opening may add files beside a table.
class InstallData : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(LUMIRO_INSTALL_DATA_DIR, dir.path(), fs::copy_options::recursive);
    }
    std::string file(const char* relative) const { return dir.path() + "/" + relative; }
    test::TempDir dir;
};

TEST_F(InstallData, TablesHaveTheLayoutsAndAConsistentDemoSet) {
    std::map<std::string, std::vector<Row>> rows;
    for (const TableFile& t : installTables()) {
        std::vector<std::string> differences;
        rows[t.path] = readRows(file(t.path), &differences, &t.layout);
        EXPECT_EQ(differences, std::vector<std::string>{}) << t.path;
        EXPECT_EQ(rows[t.path].size(), t.records) << t.path;
    }

    const Row& company = rows["FIRMA.DB"].at(0);
    EXPECT_TRUE(text(company, "DR").empty());  // the data live beside the program
    EXPECT_EQ(text(company, "SKROT"), engine::utf8ToCp1250("Biuro Rachunkowe Bilans"));
    const Row& parameters = rows["KAD.DB"].at(0);
    EXPECT_EQ(std::get<bool>(parameters.at("B1")), false);
    EXPECT_EQ(text(parameters, "P2"), "0");
    EXPECT_EQ(std::get<std::int64_t>(parameters.at("L5")), 0);

    // Every employee belongs to the payer and every detail row to an employee.
    std::set<std::int64_t> payers;
    for (const Row& p : rows["BAZA/KADRY/ZLEC.DB"])
        payers.insert(std::get<std::int64_t>(p.at("NR")));
    std::set<std::pair<std::int64_t, std::int64_t>> people;
    for (const Row& e : rows["BAZA/KADRY/RP7.DB"]) {
        const auto zlec = std::get<std::int64_t>(e.at("ZLEC"));
        EXPECT_TRUE(payers.count(zlec));
        people.insert({zlec, std::get<std::int64_t>(e.at("NR"))});
        const std::string pesel = text(e, "KP11");
        EXPECT_EQ(pesel, tools::withPeselCheckDigit(pesel.substr(0, 10)));
        EXPECT_EQ(text(e, "POLE3"), pesel);
        EXPECT_EQ(text(e, "R4"), pesel);
        EXPECT_EQ(text(e, "POLE1"), text(e, "KP1") + " " + text(e, "KP2"));
    }
    EXPECT_EQ(text(rows["BAZA/KADRY/RP7.DB"].at(1), "POLE1"),
              engine::utf8ToCp1250("Wiśniewski Józef"));
    for (const char* detail :
         {"BAZA/KADRY/ZAR.DB", "BAZA/KADRY/ZAL.DB", "BAZA/KADRY/ZAL2.DB", "BAZA/KADRY/ZAL3.DB"})
        for (const Row& d : rows[detail])
            EXPECT_TRUE(people.count(
                {std::get<std::int64_t>(d.at("ZLEC")), std::get<std::int64_t>(d.at("NR"))}))
                << detail;
    // Benefit periods are typed through the picture 9999.99.99, points stored.
    for (const Row& b : rows["BAZA/KADRY/ZAL2.DB"]) {
        EXPECT_EQ(text(b, "POLE2").size(), 10u);
        EXPECT_EQ(text(b, "POLE2")[4], '.');
    }
}

TEST_F(InstallData, KeptFilesAreWhatTheGeneratorWritesToday) {
    test::TempDir fresh;
    tools::writeInstallData(fresh.path());
    for (const TableFile& t : installTables())
        EXPECT_EQ(readRows(file(t.path)), readRows(fresh.path() + "/" + t.path))
            << t.path << ": run lumiro-make-install-data";
}

TEST_F(InstallData, DataModuleStartsOnThemWithoutAMessage) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
    platform::ProcessValues values;
    values.DataDzis = QStringLiteral("2005.03.10");
    values.RokRoboczy = QStringLiteral("2005");
    platform::ScriptedPrompter prompter;
    bool updated = false;
    {
        Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        env.Aktualizacja = [&](Tdane&) { updated = true; };
        Tdane dane(values, prompter, std::move(env));
        dane.create();
        EXPECT_FALSE(values.Przerwij);
        for (engine::Table* t : {&dane.TFIRMA, &dane.TPARA, &dane.TRP7, &dane.Tzar, &dane.TZlec,
                                 &dane.TZal, &dane.Tzal2, &dane.TZal3})
            EXPECT_TRUE(t->isOpen()) << t->path();
        EXPECT_EQ(dane.EtykietaFirmy, QStringLiteral("Biuro Rachunkowe Bilans"));
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(updated);
    EXPECT_TRUE(prompter.questions().empty()) << prompter.questions().front().text.toStdString();
}

}  // namespace
}  // namespace lumiro::data
