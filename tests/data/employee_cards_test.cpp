// Cards across the five tables: a deletion is one batch, whatever instant a crash cuts it at,
// and a master link cut for a job always comes back.
#include "data/employee_cards.h"

#include <stdexcept>

#include "mem_data_fixture.h"

namespace lumiro::data::test {
namespace {

using engine::Value;

Value number(std::int64_t v) {
    return Value{v};
}

const char* const kCardTables[] = {"RP7", "ZAR", "ZAL", "ZAL2", "ZAL3"};

class EmployeeCardsTest : public MemDataFixture {
  protected:
    // Payer 1's cards 1 and 2, each with rows in every detail table.
    void seedCards() {
        makeTables();
        for (std::int64_t nr : {1, 2}) {
            addRows(kadry("RP7"),
                    {{{"ZLEC", number(1)}, {"NR", number(nr)}, {"POLE1", text("Karta")}}});
            addRows(kadry("ZAR"),
                    {{{"ZLEC", number(1)}, {"NR", number(nr)}, {"POLE1", text("1998")}},
                     {{"ZLEC", number(1)}, {"NR", number(nr)}, {"POLE1", text("1999")}}});
            addRows(kadry("ZAL"),
                    {{{"ZLEC", number(1)}, {"NR", number(nr)}, {"POLE1", text("1998.01.01")}}});
            addRows(kadry("ZAL2"),
                    {{{"ZLEC", number(1)}, {"NR", number(nr)}, {"POLE2", text("1998.03.01")}}});
            addRows(kadry("ZAL3"), {{{"ZLEC", number(1)}, {"NR", number(nr)}}});
        }
    }

    // The card's rows in the five tables together.
    int cardRows(std::int64_t nr) {
        int count = 0;
        for (const char* table : kCardTables)
            for (const Row& row : rows(kadry(table)))
                if (row.at("ZLEC") == number(1) && row.at("NR") == number(nr)) ++count;
        return count;
    }

    static void goTo(Tdane& module, std::int64_t nr) {
        ASSERT_TRUE(module.TRP7.findKey({number(1), number(nr)}));
    }

    bool notePresent() { return env().exists(kadry(EmployeeCards::kDeletionNote)); }
};

TEST_F(EmployeeCardsTest, ACrashAtAnyStepOfADeletionLeavesTheWholeCardOrNone) {
    seedCards();
    const int whole = cardRows(2);
    ASSERT_EQ(whole, 6);
    std::uint64_t steps = 0;
    {
        auto module = start();
        goTo(*module, 2);
        const std::uint64_t before = env().operationCount();
        ASSERT_TRUE(EmployeeCards(*module).deleteCard());
        steps = env().operationCount() - before;
        EXPECT_EQ(module->TRP7.asInteger(module->TRP7.field("NR")), 1);
    }
    EXPECT_EQ(cardRows(2), 0);
    EXPECT_FALSE(notePresent());

    int kept = 0;
    int gone = 0;
    for (std::uint64_t cut = 0; cut < steps; ++cut) {
        forgetFiles();
        seedCards();
        {
            auto module = start();
            goTo(*module, 2);
            env().crashAfter(cut);
            EXPECT_THROW(EmployeeCards(*module).deleteCard(), std::exception) << cut;
        }  // the program dies here with its tables
        env().dropUnsyncedData();
        auto module = start();
        const int left = cardRows(2);
        EXPECT_TRUE(left == whole || left == 0) << "cut after " << cut << ": " << left;
        (left == whole ? kept : gone)++;
        EXPECT_EQ(cardRows(1), whole) << cut;
        EXPECT_FALSE(notePresent()) << cut;
        EXPECT_TRUE(prompter.questions().empty()) << cut;
    }
    // Cut before the note was down the card stays; after it, the start finishes the job.
    EXPECT_GT(kept, 0);
    EXPECT_GT(gone, 0);
}

TEST_F(EmployeeCardsTest, ANoteIsActedOnOnlyWhenItNamesACardAndEveryTableOpens) {
    seedCards();
    const std::string note = kadry(EmployeeCards::kDeletionNote);
    auto writeNote = [&](const std::string& text) {
        const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
        env().setContents(note, std::vector<std::byte>(bytes, bytes + text.size()));
    };
    // Nothing was deleted on behalf of a note that names no card: it only goes.
    writeNote("USUWANIE KARTY\r\nZLEC=1\r\n");
    start();
    EXPECT_FALSE(notePresent());
    EXPECT_EQ(cardRows(2), 6);

    // While a table of the card cannot be opened the note waits for a later start.
    writeNote("USUWANIE KARTY\r\nZLEC=1\r\nNR=2\r\n");
    const auto zal2 = env().contents(kadry("ZAL2.DB"));
    env().setContents(kadry("ZAL2.DB"), std::vector<std::byte>(10, std::byte{'x'}));
    start();
    env().setContents(kadry("ZAL2.DB"), zal2);
    EXPECT_TRUE(notePresent());
    EXPECT_EQ(cardRows(2), 6);
    start();
    EXPECT_FALSE(notePresent());
    EXPECT_EQ(cardRows(2), 0);
    EXPECT_EQ(cardRows(1), 6);
}

TEST_F(EmployeeCardsTest, NoCardIsDeletedWhileATableOfItsRowsIsClosed) {
    seedCards();
    auto module = start();
    goTo(*module, 2);
    module->Tzal2.close();
    EXPECT_THROW(EmployeeCards(*module).deleteCard(), std::runtime_error);
    EXPECT_EQ(cardRows(2), 6);
    EXPECT_FALSE(notePresent());
}

TEST_F(EmployeeCardsTest, ACutLinkComesBackEvenWhenTheJobFails) {
    seedCards();
    auto module = start();
    goTo(*module, 1);
    engine::Table& earnings = module->Tzar;
    ASSERT_EQ(earnings.recordCount(), 2);
    try {
        MasterLinkCut allRows(earnings);
        EXPECT_FALSE(earnings.linkActive());
        EXPECT_EQ(earnings.recordCount(), 4);
        throw std::runtime_error("przerwane");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(earnings.linkActive());
    EXPECT_EQ(earnings.recordCount(), 2);
    EXPECT_EQ(earnings.asInteger(earnings.field("NR")), 1);
}

}  // namespace
}  // namespace lumiro::data::test
