// Cards across the five tables: a deletion is one batch, whatever instant a crash cuts it at,
// and a master link cut for a job always comes back.
#include "data/employee_cards.h"

#include <functional>
#include <map>
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

// A table kept read-only (the user said No to changing its attribute) stops a card's, a
// payer's and the demonstration data's deletion before a single row goes: half a card would
// pass its rows to the next card given its number.
TEST_F(EmployeeCardsTest, ATableThatCannotBeWrittenStopsEveryDeletionBeforeAnythingGoes) {
    seedCards();
    env().setReadOnly(kadry("ZAL.DB"), true);
    prompter.queue(platform::MessageResult::No);
    auto module = start();
    ASSERT_EQ(module->TZal.accessMode(), engine::AccessMode::ReadOnly);
    goTo(*module, 2);
    auto expectRefused = [&](const std::function<void()>& deletion) {
        try {
            deletion();
            ADD_FAILURE() << "deleted although ZAL.DB cannot be written";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("ZAL.DB"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("Nic nie zostało usunięte"), std::string::npos);
        }
        EXPECT_EQ(cardRows(1), 6);
        EXPECT_EQ(cardRows(2), 6);
        EXPECT_EQ(rows(kadry("ZLEC")).size(), 1u);
        EXPECT_FALSE(notePresent());
    };
    EmployeeCards cards(*module);
    expectRefused([&] { cards.deleteCard(); });
    expectRefused([&] { cards.deletePayer(); });
    expectRefused([&] { cards.deleteAllRecords({}); });
}

// A card deletion that fails part way (a write refused while its rows go) is undone at once:
// the card is whole again and the user is told which table failed; it is not finished behind
// the user's back at a later start.
TEST_F(EmployeeCardsTest, ADeletionThatFailsPartWayIsUndoneAtOnce) {
    std::uint64_t steps = 0;
    {
        seedCards();
        auto module = start();
        goTo(*module, 2);
        const auto before = env().operationCount();
        EmployeeCards(*module).deleteCard();
        steps = env().operationCount() - before;
    }
    int undone = 0;
    for (std::uint64_t nth = 1; nth <= steps; ++nth) {
        SCOPED_TRACE("failure at step " + std::to_string(nth));
        forgetFiles();
        seedCards();
        {
            auto module = start();
            goTo(*module, 2);
            env().failOperation(nth);
            try {
                EmployeeCards(*module).deleteCard();
                EXPECT_EQ(cardRows(2), 0);
            } catch (const std::exception& e) {
                const std::string message = e.what();
                if (message.find("pozostała bez zmian") != std::string::npos) {
                    ++undone;
                    EXPECT_EQ(cardRows(2), 6);
                    EXPECT_FALSE(notePresent());
                    EXPECT_TRUE(module->TRP7.findKey({number(1), number(2)}));
                } else {
                    // Nothing was deleted yet, the card went whole, or the note says the next
                    // start finishes it; never half a card without a note.
                    EXPECT_TRUE(cardRows(2) == 6 || cardRows(2) == 0 || notePresent()) << message;
                }
            }
            env().clearFaults();
        }
        start();
        EXPECT_TRUE(cardRows(2) == 6 || cardRows(2) == 0);
        EXPECT_EQ(cardRows(1), 6);
        EXPECT_FALSE(notePresent());
    }
    EXPECT_GT(undone, 0);
}

// "Kasowanie danych demonstracyjnych" goes table by table, the payers and employees last; a
// failure stops it at that table, which keeps its rows, as do the tables after it.
TEST_F(EmployeeCardsTest, DeletingAllRecordsStopsAtTheFirstTableThatFails) {
    const std::vector<std::string> order = {"ZAL3", "ZAL2", "ZAL", "ZAR", "RP7", "ZLEC"};
    std::map<std::string, std::size_t> full;
    std::uint64_t steps = 0;
    {
        seedCards();
        for (const auto& t : order) full[t] = rows(kadry(t)).size();
        auto module = start();
        const auto before = env().operationCount();
        int calls = 0;
        EmployeeCards(*module).deleteAllRecords([&] { ++calls; });
        steps = env().operationCount() - before;
        EXPECT_EQ(calls, 6);
        for (const auto& t : order) EXPECT_TRUE(rows(kadry(t)).empty()) << t;
    }
    for (std::uint64_t nth = 1; nth <= steps; nth += 3) {
        SCOPED_TRACE("failure at step " + std::to_string(nth));
        forgetFiles();
        seedCards();
        auto module = start();
        env().failOperation(nth);
        try {
            EmployeeCards(*module).deleteAllRecords({});
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(".DB"), std::string::npos) << e.what();
        }
        env().clearFaults();
        // The tables before the one that failed are empty, it and the rest as they were.
        std::size_t emptied = 0;
        while (emptied < order.size() && rows(kadry(order[emptied])).empty()) ++emptied;
        for (std::size_t i = emptied; i < order.size(); ++i)
            EXPECT_EQ(rows(kadry(order[i])).size(), full[order[i]]) << order[i];
    }
}

}  // namespace
}  // namespace lumiro::data::test
