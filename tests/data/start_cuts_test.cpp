// The steps of a start that rebuild or build tables (the company table's upgrade, the update of
// an older release's year folder), cut by a power failure at every instant: the next start
// finds one complete table, never half of one, and never loses what the user put beside them.
#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

#include "data/structure_update.h"
#include "mem_data_fixture.h"

namespace lumiro::data::test {
namespace {

using engine::FieldDef;
using engine::Value;
using platform::MessageResult;

std::vector<std::byte> bytesOf(const std::string& text) {
    const auto* p = reinterpret_cast<const std::byte*>(text.data());
    return {p, p + text.size()};
}

class StartCuts : public MemDataFixture {
  protected:
    // Files of the user's beside the program's tables.
    void putUsersFiles() {
        for (const char* name : {"FIRMA.BAK", "Firma.zip", "TEMP.txt", "temp.pdf"})
            env().setContents(name, bytesOf(std::string("mine: ") + name));
        env().syncDir("");
    }
    void expectUsersFiles() {
        for (const char* name : {"FIRMA.BAK", "Firma.zip", "TEMP.txt", "temp.pdf"})
            EXPECT_EQ(env().contents(name), bytesOf(std::string("mine: ") + name)) << name;
    }

    // A company table of an older release, 60 columns, in place of the current one.
    void makeOldCompany() {
        engine::TableDef old;
        for (const FieldDef& f : firmaLayout().def.fields) {
            if (f.name == "ARCHDATA" || f.name == "ARCHDNI" || f.name == "ZKOD") continue;
            if (f.name == "ZPOCZTA") break;
            old.fields.push_back(f);
        }
        old.indexes = {firmaLayout().def.indexes[0]};
        engine::Session session("seed", env());
        if (session.tableExists("FIRMA")) session.deleteTable("FIRMA");
        makeTable("FIRMA", old,
                  {{{"NR", Value{std::int64_t(1)}},
                    {"NIP", Value{std::string("1234567890")}},
                    {"SKROT", text("Łąka")},
                    {"ZAPAS2", Value{std::string("2004.06.30")}}}});
        env().syncDir("");
    }

    // Runs `seed` and a start cut after every number of file operations in turn, then a start
    // on what survived; `check` judges that second start.
    void cutEveryStep(const std::function<void()>& seed,
                      const std::function<void(Tdane&, std::uint64_t)>& check) {
        std::uint64_t steps = 0;
        forgetFiles();
        seed();
        {
            const auto before = env().operationCount();
            auto module = start();
            steps = env().operationCount() - before;
        }
        ASSERT_GT(steps, 20u);
        for (std::uint64_t cut = 0; cut < steps; ++cut) {
            forgetFiles();
            seed();
            env().crashAfter(cut);
            start();  // the program dies with its tables
            env().dropUnsyncedData();
            auto module = start();
            check(*module, cut);
            if (::testing::Test::HasFailure()) return;
        }
    }
};

TEST_F(StartCuts, ACutAtAnyStepOfTheCompanyUpgradeKeepsOneWholeTable) {
    auto seed = [&] {
        makeTables();
        makeOldCompany();
        putUsersFiles();
    };
    cutEveryStep(seed, [&](Tdane& module, std::uint64_t cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut));
        engine::Table& firma = module.TFIRMA;
        ASSERT_TRUE(firma.isOpen());
        EXPECT_EQ(firma.storedFieldCount(), 69);
        EXPECT_EQ(firma.asString(firma.field("NIP")), "1234567890");
        EXPECT_EQ(firma.asString(firma.field("ARCHDATA")), "2004.06.30");
        EXPECT_EQ(module.EtykietaFirmy, QStringLiteral("Łąka"));
        for (const char* leftover : {"FIRMANEW.DB", "FIRMAOLD.DB", "FIRMAOLD.STR"})
            EXPECT_FALSE(env().exists(leftover)) << leftover;
        // The structure description is the new layout's.
        const auto description = env().contents("FIRMA.STR");
        const std::string text(reinterpret_cast<const char*>(description.data()),
                               description.size());
        EXPECT_NE(text.find("Pole:ARCHDNI"), std::string::npos);
        expectUsersFiles();
    });
}

// A company or parameters table the user keeps read-only keeps its files and its attribute;
// the upgrade waits for a start at which it can be written, and the user is told.
TEST_F(StartCuts, ATableKeptReadOnlyIsNotUpgraded) {
    makeTables();
    makeOldCompany();
    env().setReadOnly("FIRMA.DB", true);
    prompter.queue(MessageResult::No);  // keep the attribute
    const auto before = env().contents("FIRMA.DB");
    auto module = start();
    EXPECT_TRUE(env().isReadOnly("FIRMA.DB"));
    EXPECT_EQ(env().contents("FIRMA.DB"), before);
    EXPECT_EQ(module->TFIRMA.storedFieldCount(), 60);
    EXPECT_FALSE(env().exists("FIRMANEW.DB"));
    const auto& q = prompter.questions();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("FIRMA.DB"))) << q[1].text.toStdString();
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("tylko do odczytu")));
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("następnym uruchomieniu")));
}

// The parameters upgrade's TEMP left by a crash goes; a TEMP table that is not the program's,
// and every other file called TEMP, stay.
TEST_F(StartCuts, OnlyTheProgramsOwnTemporaryTableIsCleared) {
    makeTables();
    putUsersFiles();
    engine::TableDef ours = kadLayout().def;  // the copy being built had every column
    makeTable("TEMP", ours, {{{"NR", Value{std::int64_t(1)}}}});
    start();
    EXPECT_FALSE(env().exists("TEMP.DB"));
    expectUsersFiles();

    engine::TableDef theirs;
    theirs.fields = {{"NAZWA", engine::FieldType::Alpha, 20, false}};
    makeTable("TEMP", theirs, {{{"NAZWA", text("moja")}}});
    start();
    EXPECT_EQ(rows("TEMP.DB").size(), 1u);
    expectUsersFiles();
}

// The first start in an older release's folder, cut at every instant: a later start carries
// everything over, once, whatever had been built or moved in before the cut.
TEST_F(StartCuts, ACutAtAnyStepOfTheStructureUpdateIsMadeGoodByTheNextStart) {
    // The year check looks at the real file system; the year is the older release's here.
    values.RokRoboczy = QStringLiteral("2004");
    update = Aktualizacja;
    auto seed = [&] {
        makeTables();
        {
            engine::Session session("seed", env());
            for (const TableLayout* layout : employeeTableLayouts())
                session.deleteTable(kadry(std::string(layout->name)));
            session.deleteTable(kadry("ZLEC"));
        }
        const std::string year = "/dane/2004/KADRY/";
        makeTable(year + "RP7", rp7Layout().def,
                  {{{"ZLEC", Value{std::int64_t(1)}},
                    {"NR", Value{std::int64_t(1)}},
                    {"POLE1", text("Żak Jan")}},
                   {{"ZLEC", Value{std::int64_t(1)}},
                    {"NR", Value{std::int64_t(2)}},
                    {"POLE1", text("Łoś Ewa")}}});
        makeTable(year + "ZAR", zarLayout().def,
                  {{{"ZLEC", Value{std::int64_t(1)}},
                    {"NR", Value{std::int64_t(1)}},
                    {"POLE1", text("1998")}}});
        makeTable(year + "ZLEC", zlecLayout().def,
                  {{{"NR", Value{std::int64_t(1)}}, {"POCZTA", text("Płatnik")}}});
        env().syncDir("/dane/2004/KADRY");
        env().syncDir("/dane/BAZA/KADRY");
    };
    cutEveryStep(seed, [&](Tdane& module, std::uint64_t cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut));
        ASSERT_TRUE(module.TRP7.isOpen());
        EXPECT_EQ(rows(kadry("RP7.DB")).size(), 2u);
        EXPECT_EQ(rows(kadry("ZAR.DB")).size(), 1u);
        ASSERT_TRUE(module.TZlec.isOpen());
        EXPECT_EQ(rows(kadry("ZLEC.DB")).size(), 1u);
        for (engine::Table* t : {&module.Tzar, &module.TZal, &module.Tzal2, &module.TZal3})
            EXPECT_TRUE(t->isOpen());
        EXPECT_FALSE(env().isDir("/dane/BAZA/AKTUALIZACJA"));
        if (env().isDir("/dane/BAZA/AKTUALIZACJA"))
            for (const auto& n : env().listDir("/dane/BAZA/AKTUALIZACJA")) ADD_FAILURE() << n;
    });
}

}  // namespace
}  // namespace lumiro::data::test
