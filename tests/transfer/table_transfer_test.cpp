// The runs over one table, on an in-memory file system whose faults a test can set.
#include <gtest/gtest.h>

#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/session.h"
#include "support/fault_env.h"
#include "support/table_rows.h"
#include "transfer/table_transfer.h"
#include "transfer/transfer_window.h"

namespace lumiro::transfer {
namespace {

using engine::Value;

class TableTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        session.createTable("/d/ZAR.DB", data::zarLayout().def);
        session.createTable("/d/RP7.DB", data::rp7Layout().def);
        zar.open("/d/ZAR.DB");
        cards.open("/d/RP7.DB");
        test::appendRows(cards, {{{"ZLEC", Value{std::int64_t(1)}}, {"NR", Value{std::int64_t(1)}}}});
        test::appendRows(zar, {{{"ZLEC", Value{std::int64_t(1)}},
                                {"NR", Value{std::int64_t(1)}},
                                {"POLE1", Value{std::string("2001")}},
                                {"POLE2", Value{100.0}}}});
    }

    std::vector<ImportRow> prepare(const QString& file) {
        QStringList lines = splitLines(file);
        const Heading heading = readHeading(lines.takeFirst());
        return prepareImport(zar, mapColumns(zar, heading.names), heading.lastCounts, lines);
    }

    QString refusal(const QString& file) {
        try {
            prepare(file);
        } catch (const TransferError& error) {
            return error.message();
        }
        return {};
    }

    std::vector<test::TableRow> rows() { return test::readRows(env, "/d/ZAR.DB"); }

    test::MemEnv env;
    engine::Session session{"t", env};
    engine::Table zar{session};
    engine::Table cards{session};
};

TEST_F(TableTransfer, ABadLineAnywhereStopsTheFileBeforeAnythingIsWritten) {
    QString file = QStringLiteral("ZLEC;NR;POLE1;AUTO;POLE2;\r\n");
    for (int line = 2; line <= 60; ++line)
        file += QStringLiteral("1;1;%1;;%2;\r\n")
                    .arg(1940 + line)
                    .arg(line == 57 ? QStringLiteral("12x,50") : QStringLiteral("%1,50").arg(line));
    const QString message = refusal(file);
    EXPECT_TRUE(message.contains(u"Wiersz 57")) << message.toStdString();
    EXPECT_TRUE(message.contains(u"POLE2"));
    EXPECT_TRUE(message.contains(u"12x,50"));

    // Corrected, the file adds each of its lines once.
    file.replace(QStringLiteral("12x,50"), QStringLiteral("57,50"));
    writeImport(zar, prepare(file));
    EXPECT_EQ(rows().size(), 60u);
    EXPECT_EQ(zar.state(), engine::TableState::Browse);
}

TEST_F(TableTransfer, LinesTheTableCannotTake) {
    const QString heading = QStringLiteral("ZLEC;NR;POLE1;AUTO;POLE2;\r\n");
    QString wide = heading + QStringLiteral("1;1;2002;;1;");
    for (int i = 0; i < 96; ++i) wide += u';';
    EXPECT_TRUE(refusal(wide).contains(u"Wiersz 2 pliku ma 101 wartości"));
    EXPECT_TRUE(refusal(heading + QStringLiteral("1;\r\n")).contains(u"za krótki"));
    EXPECT_TRUE(refusal(heading + QStringLiteral("1;1;20021;;1;")).contains(u"POLE1"));
    EXPECT_TRUE(refusal(QStringLiteral("NR;POLE1;\r\n1;2002;")).contains(u"ZLEC"));
    // Blank lines, a spreadsheet's empty rows among them, are no records.
    EXPECT_EQ(prepare(heading + QStringLiteral("\r\n;;;;;\r\n1;1;2002;;;")).size(), 1u);
}

TEST_F(TableTransfer, KeysDecideBetweenUpdateAndInsert) {
    // A counter that names no record, or none at all, adds a row; a key seen twice in the
    // file updates the row its first line wrote.
    writeImport(zar, prepare(QStringLiteral("ZLEC;NR;POLE1;AUTO;POLE2;\r\n"
                                            "1;1;2001;1;150,00;\r\n"
                                            "1;1;2003;77;1,00;\r\n"
                                            "1;1;2004;;2,00;\r\n")));
    auto after = rows();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0].at("POLE2"), Value{150.0});
    EXPECT_EQ(after[1].at("POLE1"), Value{std::string("2003")});

    writeImport(cards,
                [&] {
                    QStringList lines = splitLines(QStringLiteral(
                        "ZLEC;NR;POLE1;\r\n1;5;Nowak;\r\n1;5;Nowakowski;\r\n"));
                    const Heading h = readHeading(lines.takeFirst());
                    return prepareImport(cards, mapColumns(cards, h.names), h.lastCounts, lines);
                }());
    auto people = test::readRows(env, "/d/RP7.DB");
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(people[1].at("POLE1"), Value{std::string("Nowakowski")});

    // Rows for a card that does not exist are found before anything is written.
    const auto missing =
        findMissingMasters(session, cards.path(), {zar.field("ZLEC"), zar.field("NR")},
                           prepare(QStringLiteral("ZLEC;NR;POLE1;\r\n1;1;2001;\r\n1;9;2001;\r\n"
                                                  "1;5;2001;\r\n1;9;2002;\r\n")));
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].line, 3);
    EXPECT_EQ(missing[1].line, 5);
    EXPECT_EQ(keyText(missing[0].key), QStringLiteral("1, 9"));
}

TEST_F(TableTransfer, AFailedWriteLeavesTheTableAsItWas) {
    const auto before = rows();
    QString file = QStringLiteral("ZLEC;NR;POLE1;AUTO;POLE2;\r\n1;1;2001;1;999,00;\r\n");
    for (int i = 0; i < 200; ++i) file += QStringLiteral("1;1;%1;;%2;\r\n").arg(1800 + i).arg(i);
    const auto prepared = prepare(file);
    for (int fault = 0; fault < 2; ++fault) {
        if (fault == 0) env.failSync(1);
        else env.failWrite(1);
        try {
            writeImport(zar, prepared);
            ADD_FAILURE() << "the write did not fail";
        } catch (const TransferError& error) {
            EXPECT_TRUE(error.message().contains(u"Żaden wiersz")) << error.message().toStdString();
        }
        env.clearFaults();
        EXPECT_EQ(zar.state(), engine::TableState::Browse);
        EXPECT_EQ(rows(), before);
        EXPECT_EQ(zar.recordCount(), 1);
    }
    // The table takes the same file afterwards.
    writeImport(zar, prepared);
    EXPECT_EQ(rows().size(), 201u);

    // A record refused in the middle of the batch takes the lines before it along.
    const auto cardsBefore = test::readRows(env, "/d/RP7.DB");
    auto card = [&](int line, std::int64_t number) {
        return ImportRow{line,
                         {{cards.field("ZLEC"), Value{std::int64_t(1)}},
                          {cards.field("NR"), Value{number}}},
                         {}};
    };
    try {
        writeImport(cards, {card(2, 40), card(3, 1), card(4, 41)});
        ADD_FAILURE() << "a second card 1 was stored";
    } catch (const TransferError& error) {
        EXPECT_TRUE(error.message().contains(u"Wiersz 3")) << error.message().toStdString();
    }
    EXPECT_EQ(cards.state(), engine::TableState::Browse);
    EXPECT_EQ(test::readRows(env, "/d/RP7.DB"), cardsBefore);
    EXPECT_EQ(cards.recordCount(), 1);
    writeImport(cards, {card(2, 40)});
    EXPECT_EQ(cards.recordCount(), 2);
}

TEST_F(TableTransfer, ExportWritesEveryRecordAndFindsValuesThatBreakALine) {
    test::appendRows(zar, {{{"ZLEC", Value{std::int64_t(1)}},
                            {"NR", Value{std::int64_t(1)}},
                            {"POLE1", Value{std::string("2002")}},
                            {"POLE4", Value{engine::utf8ToCp1250("umowa; zlecenie\r\nII")}}}});
    std::vector<ExportColumn> columns = {{zar.field("NR"), QStringLiteral("Numer")},
                                         {zar.field("POLE2"), QStringLiteral("POLE2")},
                                         {zar.field("POLE4"), QStringLiteral("POLE4")}};
    int total = 0;
    const auto breaking = findBreakingValues(zar, columns, 5, total);
    ASSERT_EQ(total, 1);
    EXPECT_EQ(breaking[0].record, QStringLiteral("płatnik 1, pracownik 1"));
    EXPECT_EQ(breaking[0].column, QStringLiteral("POLE4"));
    EXPECT_EQ(exportBytes(zar, columns, TextEncoding::Cp1250, true),
              QByteArray("Numer;POLE2;POLE4;\r\n1;100,00;;\r\n1;;umowa, zlecenie II;\r\n"));
}

}  // namespace
}  // namespace lumiro::transfer
