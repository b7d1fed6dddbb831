#include <gtest/gtest.h>

#include <QFileInfo>

#include "data/table_swap.h"
#include "data/table_text.h"
#include "data_fixture.h"
#include "engine/cp1250.h"
#include "support/pxlib_tables.h"

namespace lumiro::data::test {
namespace {

using namespace Qt::StringLiterals;

using engine::FieldDef;
using engine::Value;

class Upgrades : public DataFixture {
  protected:
    bool exists(const QString& name) const { return QFileInfo::exists(root() + u'/' + name); }
};

// A company table of an older release: no archive columns, the account in three pieces,
// and only the first residence columns.
std::vector<FieldDef> oldCompanyFields() {
    std::vector<FieldDef> fields;
    for (const FieldDef& f : firmaLayout().def.fields) {
        if (f.name == "ARCHDATA" || f.name == "ARCHDNI" || f.name == "ZKOD") continue;
        if (f.name == "ZPOCZTA") break;
        fields.push_back(f);
    }
    return fields;
}

TEST_F(Upgrades, SixtyColumnCompanyTableIsRebuiltWithItsRecord) {
    const auto fields = oldCompanyFields();
    ASSERT_EQ(fields.size(), 60u);
    lumiro::test::Row row(fields.size());
    auto set = [&](const char* column, Value v) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == column) row[i] = std::move(v);
    };
    set("NR", integer(1));
    set("NIP", text("1234567890"));
    set("REGON", text("12345678901234"));
    set("SKROT", Value{engine::utf8ToCp1250("Łąka")});
    set("NAZWA1", Value{engine::utf8ToCp1250("Zakład Pracy Łąka")});
    set("ULICA", text("Polna"));
    set("NUM1", text("12"));
    set("NUM2", text("abcdefgh"));
    set("NUM3", text("56"));
    set("ZAPAS1", text("ul. Bankowa 1"));
    set("ZAPAS2", text("2004.06.30"));
    set("ZAPAS3", integer(30));
    set("URZAD", text("US Wola"));
    set("KAPITAL", text("1000"));
    set("ZULICA", Value{engine::utf8ToCp1250("Leśna")});
    lumiro::test::writePxlibTable(file("FIRMA.DB"), fields, 0, {row});
    makeTable("KAD", kadLayout().def, {{{"NR", integer(1)}}});

    auto module = start();
    engine::Table& firma = module->TFIRMA;
    ASSERT_TRUE(firma.isOpen());
    EXPECT_TRUE(
        layoutDifferences(firmaLayout(),
                          std::vector<FieldDef>(firma.fields().begin(), firma.fields().end()),
                          firma.indexes())
            .empty());
    ASSERT_EQ(firma.recordCount(), 1);
    auto get = [&](const char* column) { return fromTable(firma.asString(firma.field(column))); };
    EXPECT_EQ(get("NIP"), u"1234567890"_s);
    EXPECT_EQ(get("REGON"), u"12345678901234"_s);
    EXPECT_EQ(get("NAZWA1"), u"Zakład Pracy Łąka"_s);
    EXPECT_EQ(get("ULICA"), u"Polna"_s);
    EXPECT_EQ(get("ZULICA"), u"Leśna"_s);
    EXPECT_EQ(get("NUM1"), u"12 abcd efgh 56"_s);
    EXPECT_EQ(get("NUM2"), u""_s);
    EXPECT_EQ(get("NUM3"), u""_s);
    EXPECT_EQ(get("ADRES1"), u"ul. Bankowa 1"_s);
    EXPECT_EQ(get("ARCHDATA"), u"2004.06.30"_s);
    EXPECT_EQ(get("ARCHDNI"), u"30"_s);
    EXPECT_EQ(get("URZAD"), u"US Wola"_s);
    EXPECT_EQ(get("KAPITAL"), u"1000"_s);
    EXPECT_EQ(module->EtykietaFirmy, u"Łąka"_s);

    // No scratch table stays behind, and the structure file describes the new layout.
    EXPECT_FALSE(exists(u"FIRMANEW.DB"_s));
    EXPECT_FALSE(exists(u"FIRMAOLD.DB"_s));
    QFile str(root() + u"/FIRMA.STR"_s);
    ASSERT_TRUE(str.open(QIODevice::ReadOnly));
    EXPECT_EQ(str.readAll().count("Pole:"), 69 + 2);
}

TEST_F(Upgrades, ArchiveColumnsOfTheOldTableWinOverTheSpareOnes) {
    engine::TableDef old = firmaLayout().def;
    old.fields.pop_back();  // 68 columns
    makeTable("FIRMA", old,
              {{{"NR", integer(1)},
                {"ARCHDATA", text("2003.01.01")},
                {"ZAPAS2", text("2004.06.30")},
                {"ZAPAS3", integer(30)}}});
    makeTable("KAD", kadLayout().def, {{{"NR", integer(1)}}});
    auto module = start();
    engine::Table& firma = module->TFIRMA;
    ASSERT_EQ(firma.storedFieldCount(), 69);
    EXPECT_EQ(firma.asString(firma.field("ARCHDATA")), "2003.01.01");
    EXPECT_EQ(firma.asString(firma.field("ARCHDNI")), "30");
}

TEST_F(Upgrades, InterruptedCompanyRebuildIsFinishedAtTheNextStart) {
    // The crash came after the original moved away: the complete copy takes its place.
    makeTable("FIRMANEW", firmaLayout().def, {{{"NR", integer(1)}, {"SKROT", text("Nowa")}}});
    makeTable("FIRMAOLD", firmaLayout().def, {{{"NR", integer(1)}, {"SKROT", text("Stara")}}});
    makeTable("KAD", kadLayout().def, {{{"NR", integer(1)}}});
    auto module = start();
    EXPECT_EQ(module->EtykietaFirmy, u"Nowa"_s);
    EXPECT_FALSE(exists(u"FIRMANEW.DB"_s));
    EXPECT_FALSE(exists(u"FIRMAOLD.DB"_s));

    // With the original still in place a half-built copy is discarded.
    makeTable("FIRMANEW", firmaLayout().def, {});
    module = start();
    EXPECT_EQ(module->EtykietaFirmy, u"Nowa"_s);
    EXPECT_FALSE(exists(u"FIRMANEW.DB"_s));
}

TEST_F(Upgrades, ParametersGainTheUpdateCheckColumnsThroughTemp) {
    makeTable("FIRMA", firmaLayout().def, {{{"NR", integer(1)}}});
    engine::TableDef old = kadLayout().def;
    old.fields.resize(4);  // NR, B1, P2, L3
    makeTable("KAD", old,
              {{{"NR", integer(1)}, {"B1", Value{true}}, {"P2", text("1")}, {"L3", integer(1)}}});
    setToday(QDate(2026, 12, 31));

    auto module = start();
    engine::Table& kad = module->TPARA;
    ASSERT_TRUE(kad.isOpen());
    std::vector<std::string> names;
    for (const FieldDef& f : kad.fields()) names.push_back(f.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"NR", "B1", "P2", "L3", "L4", "L5", "ADATA", "ACYKL"}));
    ASSERT_EQ(kad.recordCount(), 1);
    EXPECT_TRUE(kad.asBoolean(kad.field("B1")));
    EXPECT_EQ(kad.asString(kad.field("P2")), "1");
    EXPECT_EQ(kad.asInteger(kad.field("L3")), 1);
    EXPECT_EQ(kad.asString(kad.field("ADATA")), "2026.12.00");
    for (const char* zero : {"ACYKL", "L4", "L5"}) {
        EXPECT_FALSE(kad.isNull(kad.field(zero)));
        EXPECT_EQ(kad.asInteger(kad.field(zero)), 0);
    }
    EXPECT_EQ(kad.indexes().size(), 1u);
    EXPECT_FALSE(exists(u"TEMP.DB"_s));
    EXPECT_FALSE(exists(u"KADOLD.DB"_s));

    // Upgraded once: the next start leaves the table alone.
    kad.edit();
    kad.setValue("ADATA", text("2027.01.15"));
    kad.post();
    module = start();
    EXPECT_EQ(module->TPARA.asString(module->TPARA.field("ADATA")), "2027.01.15");
}

class YearCheck : public Upgrades {
  protected:
    void SetUp() override {
        Upgrades::SetUp();
        makeProgramTables();
        makeEmployeeTables();
    }
    void years(std::initializer_list<const char*> names) {
        for (const char* name : names) QDir(root()).mkdir(QString::fromLatin1(name));
    }
};

TEST_F(YearCheck, NoYearFoldersNoWarnings) {
    setToday(QDate(2005, 12, 20));
    auto module = start();
    EXPECT_TRUE(module->ListaLat.isEmpty());
    EXPECT_TRUE(prompter.questions().empty());
    EXPECT_EQ(values.RokRoboczy, u"2005"_s);
}

TEST_F(YearCheck, MissingWorkingYearFallsBackToTheLastFolder) {
    years({"2004", "2003", "BAZA", "1999stare", "x2000"});
    setToday(QDate(2005, 3, 10));
    auto module = start();
    EXPECT_EQ(module->ListaLat, (QStringList{u"1999"_s, u"2003"_s, u"2004"_s}));
    ASSERT_GE(prompter.questions().size(), 1u);
    EXPECT_EQ(texts()[0], u"Brak otwartego roku : 2005\nRok zostanie zmieniony na : 2004"_s);
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(values.RokRoboczy, u"2004"_s);
    for (const QString& t : texts()) EXPECT_FALSE(t.startsWith(u"Proszę otworzyć"_s));
}

TEST_F(YearCheck, NewYearIsDueFromTheSixteenthOfDecember) {
    years({"2004", "2005"});
    setToday(QDate(2005, 12, 20));
    start();
    EXPECT_EQ(values.RokRoboczy, u"2005"_s);
    ASSERT_GE(prompter.questions().size(), 1u);
    EXPECT_EQ(
        texts()[0],
        u"Proszę otworzyć nowy rok 2006\nw celu poprawnego działania programu w nowym roku."_s);

    prompter = {};
    setToday(QDate(2005, 12, 15));
    start();
    for (const QString& t : texts()) EXPECT_FALSE(t.startsWith(u"Proszę otworzyć"_s));
}

TEST_F(YearCheck, YearParameterChoosesAnExistingFolder) {
    years({"2004", "2005"});
    arguments = {u"ROK"_s, u"2004"_s};
    start();
    EXPECT_EQ(values.RokRoboczy, u"2004"_s);
    for (const QString& t : texts()) EXPECT_FALSE(t.startsWith(u"Brak otwartego roku"_s));

    arguments = {u"rok"_s, u"2001xyz"_s};
    prompter = {};
    start();
    EXPECT_EQ(texts()[0], u"Brak otwartego roku : 2001\nRok zostanie zmieniony na : 2005"_s);
    EXPECT_EQ(values.RokRoboczy, u"2005"_s);
}

}  // namespace
}  // namespace lumiro::data::test
