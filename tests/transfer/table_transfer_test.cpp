// Reading, planning and writing an import, and the export, on an in-memory file system whose
// faults a test can set.
#include <gtest/gtest.h>

#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/session.h"
#include "support/fault_env.h"
#include "support/table_rows.h"
#include "transfer/table_transfer.h"

namespace lumiro::transfer {
namespace {

using engine::Value;

Value whole(std::int64_t v) {
    return Value{v};
}
Value text(const char* utf8) {
    return Value{engine::utf8ToCp1250(utf8)};
}

class TableTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        session.createTable("/d/ZAR.DB", data::zarLayout().def);
        session.createTable("/d/RP7.DB", data::rp7Layout().def);
        zar.open("/d/ZAR.DB");
        cards.open("/d/RP7.DB");
        test::appendRows(cards, {{{"ZLEC", whole(1)}, {"NR", whole(1)}}});
        // Card 1 has the years 2001 (counter 1) and 2002 (counter 2).
        test::appendRows(zar, {{{"ZLEC", whole(1)},
                                {"NR", whole(1)},
                                {"POLE1", text("2001")},
                                {"POLE2", Value{100.0}},
                                {"POLE4", text("premia")}},
                               {{"ZLEC", whole(1)},
                                {"NR", whole(1)},
                                {"POLE1", text("2002")},
                                {"POLE2", Value{200.0}}}});
    }

    ImportRows read(engine::Table& table, const std::string& file) {
        return readImportFile(file, table.fields(), table.storedFieldCount(),
                              table.keyFieldCount());
    }

    QString refusal(const std::string& file) {
        try {
            read(zar, file);
        } catch (const TransferError& error) {
            return error.message();
        }
        return {};
    }

    // Reads, plans and writes the file; the plan for a look at what it decided.
    ImportPlan import(engine::Table& table, const std::string& file, int yearField = -1) {
        const ImportRows rows = read(table, file);
        ImportPlan plan = planImport(table, rows, yearField);
        writeImport(session, table.path(), rows, plan);
        return plan;
    }

    std::vector<test::TableRow> rows() { return test::readRows(env, "/d/ZAR.DB"); }

    test::MemEnv env;
    engine::Session session{"t", env};
    engine::Table zar{session};
    engine::Table cards{session};
};

TEST_F(TableTransfer, EveryBadValueIsListedBeforeAnythingIsWritten) {
    std::string file = "ZLEC;NR;POLE1;AUTO;POLE2;\r\n";
    for (int line = 2; line <= 60; ++line)
        file += "1;1;" + std::to_string(1940 + line) + ";;" +
                (line == 57   ? "12x,50"
                 : line == 58 ? "3,001"
                              : std::to_string(line) + ",50") +
                ";\r\n";
    const QString message = refusal(file);
    EXPECT_TRUE(message.contains(u"wiersz 57, kolumna POLE2: „12x,50” nie jest kwotą"))
        << message.toStdString();
    EXPECT_TRUE(message.contains(u"wiersz 58, kolumna POLE2: kwota „3,001” ma więcej"));
    EXPECT_TRUE(message.contains(u"Nic nie zostało zapisane"));

    EXPECT_TRUE(refusal("NR;POLE1;\r\n1;2002;").contains(u"kolumny klucza ZLEC"));
    EXPECT_TRUE(refusal("ZLEC;NR;POLE1;\r\n1;\r\n").contains(u"za krótki"));
    EXPECT_TRUE(refusal("ZLEC;NR;POLE1;\r\n1;1;20021;\r\n").contains(u"POLE1"));
    // Blank lines, a spreadsheet's empty rows among them, are no records.
    EXPECT_EQ(read(zar, "ZLEC;NR;POLE1;AUTO;POLE2;\r\n\r\n;;;;;\r\n1;1;2003;;;").size(), 1u);

    // Corrected, the file adds each of its lines once.
    file.replace(file.find("12x,50"), 6, "57,50");
    file.replace(file.find("3,001"), 5, "3,00");
    const ImportPlan plan = import(zar, file);
    EXPECT_EQ(plan.added, 59);
    EXPECT_EQ(rows().size(), 61u);
}

TEST_F(TableTransfer, LinesWithoutTheCounterAreComparedWithTheRowsOfTheirCard) {
    const int year = zar.field("POLE1");
    // Line 2 repeats the 2001 row (only the columns it has count), line 3 is new, line 4
    // repeats line 3, line 5 gives the card a second 2002, line 6 is another card's 2002.
    const ImportRows rows = read(zar,
                                 "ZLEC;NR;POLE1;POLE2\r\n"
                                 "1;1;2001;100,00\r\n"
                                 "1;1;2003;5,00\r\n"
                                 "1;1;2003;5,00\r\n"
                                 "1;1;2002;7,00\r\n"
                                 "1;2;2002;7,00\r\n");
    const ImportPlan plan = planImport(zar, rows, year);
    EXPECT_EQ(plan.actions,
              (std::vector<RowAction>{RowAction::Present, RowAction::Add, RowAction::Present,
                                      RowAction::Add, RowAction::Add}));
    EXPECT_EQ(plan.added, 3);
    EXPECT_EQ(plan.present, 2);
    ASSERT_EQ(plan.sameYear.size(), 1u);
    EXPECT_EQ(plan.sameYear[0].line, 5);
    EXPECT_EQ(plan.sameYear[0].year, QStringLiteral("2002"));
    EXPECT_EQ(plan.sameYear[0].number, 1);
    ASSERT_EQ(plan.cards.size(), 2u);
    EXPECT_EQ(plan.cards[0].rows, 4);
    EXPECT_EQ(plan.cards[1].rows, 1);
    // A missing value is compared with nothing; an empty one differs from the row's "premia".
    EXPECT_EQ(planImport(zar, read(zar, "ZLEC;NR;POLE1;POLE4\r\n1;1;2001;\r\n1;1;2001;;\r\n"), year)
                  .actions,
              (std::vector<RowAction>{RowAction::Present, RowAction::Add}));

    // With its counter a line updates its row, also when it moves the row to another year; a
    // line equal to its row writes nothing.
    writeImport(session, zar.path(), rows, plan);
    const ImportPlan again = import(zar,
                                    "ZLEC;NR;POLE1;AUTO;POLE2\r\n"
                                    "1;1;2001;1;100,00\r\n"
                                    "1;1;1999;2;200,00\r\n",
                                    year);
    EXPECT_EQ(again.present, 1);
    EXPECT_EQ(again.updated, 1);
    EXPECT_TRUE(again.sameYear.empty());
    const auto after = this->rows();
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[0].at("POLE1"), text("1999"));
    EXPECT_EQ(after[0].at("AUTO"), whole(2));
}

TEST_F(TableTransfer, TheCardsKeyDecidesBetweenUpdateAndAdd) {
    // A key seen twice in the file updates the card its first line added.
    const ImportPlan plan = import(cards,
                                   "ZLEC;NR;POLE1;\r\n"
                                   "1;1;;\r\n"
                                   "1;5;Nowak;\r\n"
                                   "1;5;Nowakowski;\r\n");
    EXPECT_EQ(plan.actions,
              (std::vector<RowAction>{RowAction::Present, RowAction::Add, RowAction::Update}));
    auto people = test::readRows(env, "/d/RP7.DB");
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(people[1].at("POLE1"), text("Nowakowski"));

    // Rows for a card that does not exist are found before anything is written.
    const ImportRows rows = read(zar,
                                 "ZLEC;NR;POLE1;\r\n1;1;2009;\r\n1;9;2001;\r\n1;5;2001;\r\n"
                                 "1;9;2002;\r\n1;1;2001;\r\n");
    const auto missing = findMissingMasters(
        session, cards.path(), {zar.field("ZLEC"), zar.field("NR")}, rows, planImport(zar, rows));
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].line, 3);
    EXPECT_EQ(missing[1].line, 5);
    EXPECT_EQ(keyText(missing[0].key), QStringLiteral("1, 9"));
}

TEST_F(TableTransfer, AFailedWriteLeavesTheTableAsItWas) {
    const auto before = rows();
    std::string file = "ZLEC;NR;POLE1;AUTO;POLE2;\r\n1;1;2001;1;999,00;\r\n";
    for (int i = 0; i < 200; ++i)
        file += "1;1;" + std::to_string(1800 + i) + ";;" + std::to_string(i) + ";\r\n";
    const ImportRows prepared = read(zar, file);
    const ImportPlan plan = planImport(zar, prepared);
    for (int fault = 0; fault < 2; ++fault) {
        if (fault == 0)
            env.failSync(1);
        else
            env.failWrite(1);
        try {
            writeImport(session, zar.path(), prepared, plan);
            ADD_FAILURE() << "the write did not fail";
        } catch (const TransferError& error) {
            EXPECT_TRUE(error.message().contains(u"Żaden wiersz")) << error.message().toStdString();
        }
        env.clearFaults();
        EXPECT_EQ(rows(), before);
    }
    // The table takes the same file afterwards.
    writeImport(session, zar.path(), prepared, plan);
    EXPECT_EQ(rows().size(), 202u);
}

TEST_F(TableTransfer, ExportQuotesWhatWouldBreakALineAndReplacesOnlyTheChosenFile) {
    test::appendRows(zar, {{{"ZLEC", whole(1)},
                            {"NR", whole(1)},
                            {"POLE1", text("2003")},
                            {"POLE4", text("umowa; \"zlecenie\"\r\nII")}}});
    const std::vector<ExportColumn> columns = {
        {zar.field("NR"), QStringLiteral("Numer")},
        {zar.field("POLE2"), QStringLiteral("POLE2")},
        {zar.field("POLE4"), QStringLiteral("Rodzaj; opis")}};
    std::int64_t written = 0;
    const std::string file =
        exportText(session, zar.path(), columns, TextEncoding::Cp1250, &written);
    EXPECT_EQ(written, 3);
    EXPECT_EQ(file,
              "Numer;POLE2;\"Rodzaj; opis\";\r\n1;100,00;premia;\r\n1;200,00;;\r\n"
              "1;;\"umowa; \"\"zlecenie\"\"\r\nII\";\r\n");

    // A file of the user's beside the chosen one, whatever its name, stays as it was.
    const std::vector<std::byte> theirs = {std::byte{'x'}};
    env.setContents("/u/export.txt.tmp", theirs);
    env.setContents("/u/export.txt", theirs);
    writeUserFile(env, "/u/export.txt", file);
    EXPECT_EQ(env.contents("/u/export.txt.tmp"), theirs);
    EXPECT_EQ(env.contents("/u/export.txt").size(), file.size());
    EXPECT_EQ(env.listDir("/u").size(), 2u);
    // A failed write leaves the old file and no other.
    env.failSync(1);
    EXPECT_THROW(writeUserFile(env, "/u/export.txt", "nowy"), std::exception);
    EXPECT_EQ(env.contents("/u/export.txt").size(), file.size());
    EXPECT_EQ(env.listDir("/u").size(), 2u);
}

}  // namespace
}  // namespace lumiro::transfer
