#include <gtest/gtest.h>

#include <QFile>

#include "data_fixture.h"
#include "support/pxlib_tables.h"

namespace lumiro::data::test {
namespace {

using namespace Qt::StringLiterals;

using engine::Value;
using platform::FontChoice;

class EarningsRows : public DataFixture {
  protected:
    void SetUp() override {
        DataFixture::SetUp();
        makeProgramTables();
        makeEmployeeTables();
        engine::Session s("fill");
        engine::Table rp7(s);
        rp7.open(file("BAZA/KADRY/RP7"));
        rp7.append();
        rp7.setValue("ZLEC", integer(1));
        rp7.setValue("NR", integer(1));
        rp7.post();
        module = start();
    }
    void setInformationPages(bool on) {
        engine::Table& kad = module->TPARA;
        module->Edytuj(kad);
        kad.setValue("B1", Value{on});
        module->ZapiszRekord(kad);
    }
    void addRows(int count) {
        engine::Table& zar = module->Tzar;
        zar.onStateChange = nullptr;  // filling is not the user beginning rows
        for (int i = 0; i < count; ++i) {
            zar.append();
            zar.setValue("POLE1", Value{std::to_string(1970 + i)});
            zar.post();
        }
        zar.onStateChange = [this](engine::Table& t) { module->ZzarStateChange(t); };
    }
    std::size_t warnings() const { return prompter.questions().size(); }

    std::unique_ptr<Tdane> module;
};

TEST_F(EarningsRows, TotalCountsEmptyAmountsAsZero) {
    engine::Table& zar = module->Tzar;
    zar.append();
    EXPECT_EQ(zar.asFloat(zar.field("POLE10")), 0.0);
    zar.setValue("POLE1", Value{std::string("1998")});
    zar.setValue("POLE2", Value{1000.0});
    zar.setValue("POLE3", Value{250.50});
    zar.setValue("POLE7", Value{49.50});
    EXPECT_DOUBLE_EQ(zar.asFloat(zar.field("POLE10")), 1300.0);  // follows every change
    zar.setValue("POLE9", Value{100.0});
    zar.post();
    EXPECT_DOUBLE_EQ(zar.asFloat(zar.field("POLE10")), 1400.0);
    // Rows of one year and employee come back in the master's range with the total.
    zar.first();
    EXPECT_EQ(zar.recordCount(), 1);
    EXPECT_DOUBLE_EQ(zar.asFloat(zar.field("POLE10")), 1400.0);
    // Summed in extended precision: 0.1 + 0.2 + 0.3 rounds once, to the nearest double.
    zar.edit();
    zar.setValue("POLE2", Value{0.1});
    zar.setValue("POLE3", Value{0.2});
    zar.setValue("POLE7", Value{0.3});
    zar.setValue("POLE9", Value{});
    EXPECT_EQ(zar.asFloat(zar.field("POLE10")),
              double(static_cast<long double>(0.1) + static_cast<long double>(0.2) +
                     static_cast<long double>(0.3)));
    zar.cancel();
}

TEST_F(EarningsRows, LimitWarningFollowsThePrintFlag) {
    const QString warning = QStringLiteral(
        "Przekroczona maksymalna ilość pozycji możliwych do wydrukowania.\n"
        "Proszę utworzyć drugą kartę dla tego pracownika poprzez kopiowanie danych.");
    engine::Table& zar = module->Tzar;
    setInformationPages(true);
    addRows(30);
    zar.append();  // row 31
    EXPECT_EQ(warnings(), 0u);
    zar.cancel();
    addRows(1);
    zar.append();  // row 32 with 31 stored
    ASSERT_EQ(warnings(), 1u);
    EXPECT_EQ(prompter.questions()[0].text, warning);
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Information);
    zar.setValue("POLE1", Value{std::string("2005")});
    zar.post();  // the row is not refused
    EXPECT_EQ(zar.recordCount(), 32);
    zar.edit();  // editing never warns
    zar.cancel();
    EXPECT_EQ(warnings(), 1u);

    setInformationPages(false);
    addRows(28);  // 60 stored
    zar.append();
    zar.cancel();
    EXPECT_EQ(warnings(), 1u);
    addRows(1);
    zar.append();
    zar.cancel();
    EXPECT_EQ(warnings(), 2u);
}

class PrintoutFonts : public DataFixture {
  protected:
    std::unique_ptr<Tdane> startWith(platform::FontChooser* chooser) {
        Tdane::Environment env;
        env.fontChooser = chooser;
        makeProgramTables();
        makeEmployeeTables();
        return start(std::move(env));
    }
};

TEST_F(PrintoutFonts, ChosenFontIsStoredInItsSlotAndLoadedBack) {
    const FontChoice chosen{QStringLiteral("Łódź Sans"), 11, 0x00FF0000u, 1 | 2};
    platform::ScriptedFontChooser chooser(chosen);
    auto module = startWith(&chooser);
    const FontChoice designed{QStringLiteral("Arial"), 9, 0, 0};

    FontChoice font = designed;
    module->CzcionkaWydruku(2, font, false);  // no font file yet
    EXPECT_EQ(font, designed);

    module->CzcionkaWydruku(2, font, true);
    EXPECT_EQ(chooser.shown(), std::vector<FontChoice>{designed});
    EXPECT_EQ(font, chosen);
    EXPECT_EQ(module->fontFilePath(), root() + u"/lumiro.ft"_s);

    QFile file(module->fontFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 3 * 268);
    const QByteArray record = bytes.mid(2 * 268);
    EXPECT_EQ(record[0], char(9));
    EXPECT_EQ(record.mid(1, 9), QByteArray("\xa3\xf3"
                                           "d\x9f Sans"));  // code page 1250
    EXPECT_EQ(record.mid(256, 4), QByteArray("\x0b\0\0\0", 4));
    EXPECT_EQ(record.mid(260, 4), QByteArray("\0\0\xff\0", 4));
    EXPECT_EQ(record[264], char(3));

    FontChoice loaded = designed;
    module->CzcionkaWydruku(2, loaded, false);
    EXPECT_EQ(loaded, chosen);
    // A slot past the end of the file leaves the font as it was.
    FontChoice beyond = designed;
    module->CzcionkaWydruku(5, beyond, false);
    EXPECT_EQ(beyond, designed);
}

TEST_F(PrintoutFonts, CancelledDialogChangesNothing) {
    platform::ScriptedFontChooser chooser(std::nullopt);
    auto module = startWith(&chooser);
    FontChoice font{QStringLiteral("Arial"), 9, 0, 0};
    module->CzcionkaWydruku(1, font, true);
    EXPECT_EQ(font, (FontChoice{QStringLiteral("Arial"), 9, 0, 0}));
    EXPECT_FALSE(QFile::exists(module->fontFilePath()));
}

TEST(CreatedTables, OpenInPxlibWithTheirLayout) {
    lumiro::test::TempDir dir;
    engine::Session session("pxlib");
    for (const TableLayout* layout : {&rp7Layout(), &zarLayout(), &zalLayout(), &zal2Layout(),
                                      &zal3Layout(), &firmaLayout(), &kadLayout(), &zlecLayout()}) {
        const std::string path = dir.file(std::string(layout->name) + ".DB");
        session.createTable(path, layout->def);
        const auto fields = lumiro::test::readPxlibFields(path);
        ASSERT_EQ(fields.size(), layout->def.fields.size()) << layout->name;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const engine::FieldDef& want = layout->def.fields[i];
            EXPECT_EQ(fields[i].name, want.name) << layout->name;
            EXPECT_EQ(fields[i].type, int(want.type)) << want.name;
            EXPECT_EQ(fields[i].length,
                      want.type == engine::FieldType::Alpha ? want.size : engine::storedSize(want))
                << want.name;
        }
    }
}

}  // namespace
}  // namespace lumiro::data::test
