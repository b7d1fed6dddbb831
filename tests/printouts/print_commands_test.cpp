// The print commands as the user runs them from the employee index window: the marked rows,
// the confirmation with the count, the prompt to turn the sheets over, single and mass
// printing, the Rp-7 chunks, and what a refused job tells. Pages go to a recording target.
#include <gtest/gtest.h>

#include <QFile>

#include <functional>
#include <optional>
#include <utility>

#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_source.h"
#include "printouts/print_commands.h"
#include "printouts/rp7_forms.h"
#include "printouts/print_commands_fixture.h"
#include "records/records_fixture.h"
#include "reports/print_target.h"

namespace lumiro::printouts {
namespace {

using platform::MessageIcon;
using platform::MessageResult;
using records::test::integer;
using records::test::text;

const QString kConfirmRp7 =
    QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-7 w ilości ");
// The box shows "Tak" and "Nie"; the prompt names the button the user sees.
const QString kSecondPage = QStringLiteral("Wydruk 2 strony po obróceniu kartki wciśnij Tak");

class PrintCommandsTest : public test::PrintCommandsFixture {
  protected:
    void addServices(PrintServices& services) override {
        services.askListHeading = [](int) {
            return std::optional<ListHeading>(ListHeading{
                QStringLiteral("5"), QStringLiteral("2026"), QStringLiteral("2026.12.10")});
        };
        if (deleteOnConfirmation.valid()) {
            // Another workstation deletes the card while the confirmation is open.
            services.prompter = &deletingPrompter;
            deletingPrompter.run = [this] {
                if (!deleteOnConfirmation.valid()) return;
                dane->WRP7.setFiltered(false);
                ASSERT_TRUE(dane->WRP7.gotoBookmark(deleteOnConfirmation));
                dane->WRP7.remove();
                deleteOnConfirmation = {};
            };
            deletingPrompter.forward = &prompter;
        }
    }

    // Answers through the fixture's prompter after running an action on the first question.
    struct ActingPrompter : platform::Prompter {
        platform::MessageResult ask(platform::MessageIcon icon, const QString& text,
                                    platform::MessageButtons buttons) override {
            if (run) std::exchange(run, {})();
            return forward->ask(icon, text, buttons);
        }
        std::function<void()> run;
        platform::Prompter* forward = nullptr;
    };

    // The DbEdit of the window bound to `column` of the employee table.
    components::DbEdit* employeeEdit(const char* column) {
        for (auto* e : window->findChildren<components::DbEdit*>())
            if (e->link().column() == QString::fromLatin1(column) && e->link().source() &&
                &e->link().source()->table() == &dane->TRP7)
                return e;
        return nullptr;
    }

    engine::Bookmark deleteOnConfirmation;
    ActingPrompter deletingPrompter;

    // Earnings rows for employee `nr` of payer 1, one per year from `from`.
    void earnings(int nr, int count, int from = 1960) {
        std::vector<records::test::Row> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({{"ZLEC", integer(1)},
                            {"NR", integer(nr)},
                            {"POLE1", text(std::to_string(from + i).c_str())},
                            {"POLE2", engine::Value{100.0 + i}}});
        addRows("BAZA/KADRY/ZAR", rows);
    }
};

const QString kAnna = QStringLiteral("Kowalska Anna");
const QString kJozef = QStringLiteral("Wiśniewski Józef");

QString page1(const QString& who) {
    return QStringLiteral("Rp-7 str. 1 ") + who;
}
QString page2(const QString& who) {
    return QStringLiteral("Rp-7 str. 2 ") + who;
}

TEST_F(PrintCommandsTest, SingleModePrintsEachSheetAndAsksToTurnItOver) {
    startWindow();
    setParameters("0", false);
    mark({0, 1});
    prompter.queue(MessageResult::Yes);  // the count
    prompter.queue(MessageResult::Yes);  // Anna's reverse side
    prompter.queue(MessageResult::No);   // Józef's reverse side is skipped
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_EQ(jobs(), (std::vector<QString>{page1(kAnna), page2(kAnna), page1(kJozef)}));
    EXPECT_EQ(questions(), (std::vector<QString>{kConfirmRp7 + u'2', kSecondPage, kSecondPage}));
    // Each job is one sheet side with the employee's own rows.
    ASSERT_EQ(target.jobs()[0].document.pages.size(), 1u);
    EXPECT_TRUE(
        target.jobs()[0].document.pages[0].plainText().contains(QStringLiteral("54 120,00")));
    EXPECT_TRUE(
        target.jobs()[2].document.pages[0].plainText().contains(QStringLiteral("57 840,00")));
    EXPECT_TRUE(target.jobs()[0].document.duplex());
}

TEST_F(PrintCommandsTest, MassModeSendsAllFrontsThenAllBacksInTheSameOrder) {
    earnings(1, 21, 1970);  // Anna: 25 rows, three chunks of ten with the information pages
    startWindow();
    setParameters("1", true);
    mark({0, 1});
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_EQ(jobs(),
              (std::vector<QString>{page1(kAnna), page1(kAnna), page1(kAnna), page1(kJozef),
                                    page2(kAnna), page2(kAnna), page2(kAnna), page2(kJozef)}));
    EXPECT_EQ(questions(), (std::vector<QString>{kConfirmRp7 + u'2', kSecondPage}));
    // Anna's rows 1-10, 11-20, 21-25 on her three fronts, in the table's order of years.
    const QString third = target.jobs()[2].document.pages[0].plainText();
    EXPECT_TRUE(third.contains(QStringLiteral("1990"))) << third.toStdString();
    EXPECT_FALSE(third.contains(QStringLiteral("1989")));
    // With the information pages every back carries the information text.
    EXPECT_TRUE(
        target.jobs()[4].document.pages[0].plainText().contains(QStringLiteral("INFORMACJA")));
}

TEST_F(PrintCommandsTest, WithoutTheInformationTwentyRowsGoOnOneSheet) {
    earnings(1, 21, 1970);  // 25 rows: rows 11-20 on the back of sheet 1, 21-25 on sheet 2
    startWindow();
    setParameters("0", false);
    mark({0});
    for (int i = 0; i < 3; ++i) prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    ASSERT_EQ(jobs(),
              (std::vector<QString>{page1(kAnna), page2(kAnna), page1(kAnna), page2(kAnna)}));
    const QString back1 = target.jobs()[1].document.pages[0].plainText();
    EXPECT_FALSE(back1.contains(QStringLiteral("INFORMACJA")));
    EXPECT_TRUE(back1.contains(QStringLiteral("1980")));  // row 11
    const QString front2 = target.jobs()[2].document.pages[0].plainText();
    EXPECT_TRUE(front2.contains(QStringLiteral("1990")));  // row 21
    const QString back2 = target.jobs()[3].document.pages[0].plainText();
    EXPECT_FALSE(back2.contains(QStringLiteral("1990")));  // no continuation for five rows
}

TEST_F(PrintCommandsTest, NoAtTheCountPrintsNothingAndNothingMarkedPrintsTheCurrentRow) {
    startWindow();
    prompter.queue(MessageResult::No);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_TRUE(target.jobs().empty());
    // Nothing was marked: the current employee was, and is counted.
    EXPECT_EQ(questions(), std::vector<QString>{kConfirmRp7 + u'1'});
    EXPECT_EQ(window->XDBGrid1().markedCount(), 1);
}

TEST_F(PrintCommandsTest, EmptyTableCountsNoneButMassModeStillAsksOnce) {
    for (const char* table : {"BAZA/KADRY/ZAR", "BAZA/KADRY/RP7"}) clearTable(table);
    startWindow();
    setParameters("1", false);
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_TRUE(target.jobs().empty());
    EXPECT_EQ(questions(), (std::vector<QString>{kConfirmRp7 + u'0', kSecondPage}));
}

TEST_F(PrintCommandsTest, RowsBeyondWhatOnePrintoutHoldsAreNamedBeforePrinting) {
    earnings(1, 32, 1950);  // 36 rows, 30 fit with the information pages
    startWindow();
    setParameters("1", true);
    mark({0});
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::No);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_EQ(jobs().size(), 3u);
    const auto& q = prompter.questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[1].icon, MessageIcon::Warning);
    EXPECT_TRUE(q[1].text.contains(kAnna) && q[1].text.contains(QStringLiteral("36")) &&
                q[1].text.contains(QStringLiteral("30")))
        << q[1].text.toStdString();
}

TEST_F(PrintCommandsTest, RefusedJobEndsTheRunAndTellsWhatWasSent) {
    startWindow();
    setParameters("1", false);
    mark({0, 1, 2});
    target.failJob(2, QStringLiteral("Drukarka odrzuciła zadanie."));
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_EQ(jobs(), (std::vector<QString>{page1(kAnna), page1(kJozef)}));
    const auto& q = prompter.questions();
    ASSERT_EQ(q.size(), 2u);  // no prompt for the backs after the failure
    EXPECT_EQ(q[1].icon, MessageIcon::Error);
    EXPECT_TRUE(q[1].text.startsWith(QStringLiteral("Drukarka odrzuciła zadanie.")));
    EXPECT_TRUE(
        q[1].text.contains(QStringLiteral("strony pierwsze: Kowalska Anna, Wiśniewski Józef")))
        << q[1].text.toStdString();
}

TEST_F(PrintCommandsTest, PreviewsShowTheCurrentEmployeeWhateverIsMarked) {
    startWindow();
    mark({1});
    window->runMenuCommand(QStringLiteral("Wydruki/Podgląd Rp-7 str. 1"));
    window->runMenuCommand(QStringLiteral("Wydruki/Podgląd Rp-7 str. 2"));
    ASSERT_EQ(previews.size(), 2u);
    const QString current = value(dane->TRP7, "POLE1");
    // Offered as the document and the employee; the reverse side says which side it is.
    EXPECT_EQ(previews[0], QStringLiteral("Rp-7 str. 1|Rp-7 ") + current + QStringLiteral(".pdf"));
    EXPECT_EQ(previews[1],
              QStringLiteral("Rp-7 str. 2|Rp-7 ") + current + QStringLiteral(" str. 2.pdf"));
    EXPECT_EQ(previewLabels[0].title, QStringLiteral("ZUS Rp-7 – ") + current);
    EXPECT_EQ(previewLabels[0].author, value(dane->TZlec, "POCZTA").trimmed());
    EXPECT_FALSE(previewLabels[0].author.isEmpty());
    EXPECT_TRUE(previewPages[0].pages[0].plainText().contains(current));
    EXPECT_TRUE(prompter.questions().empty());
    EXPECT_TRUE(target.jobs().empty());
}

TEST_F(PrintCommandsTest, TypedTextReachesThePrintout) {
    startWindow();
    // The employee's name typed on the Rp-7 page and not yet left.
    engine::Table& employees = dane->TRP7;
    employees.first();
    components::DbEdit* edit = nullptr;
    for (auto* e : window->findChildren<components::DbEdit*>())
        if (e->link().column() == u"POLE1" && e->link().source() &&
            &e->link().source()->table() == &employees)
            edit = e;
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    records::test::type(edit, QStringLiteral("Nowakowska Ewa"));
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::No);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    ASSERT_EQ(target.jobs().size(), 1u);
    EXPECT_TRUE(
        target.jobs()[0].document.pages[0].plainText().contains(QStringLiteral("Nowakowska Ewa")));
}

// What is typed and not yet saved is saved before anything prints, so that the list of insured
// (read through the second view of the employees) and the forms print the same card.
TEST_F(PrintCommandsTest, APendingEditIsSavedBeforePrintingSoEveryDocumentShowsIt) {
    startWindow();
    dane->TRP7.first();
    components::DbEdit* pesel = employeeEdit("KP11");
    ASSERT_NE(pesel, nullptr);
    pesel->setFocus();
    pesel->selectAll();
    records::test::type(pesel, QStringLiteral("85010112345"));
    mark({0});

    window->runMenuCommand(QStringLiteral("Zadania/Wydruk wykazu ubezpieczonych"));
    ASSERT_EQ(previewPages.size(), 1u);
    EXPECT_TRUE(previewPages[0].pages[0].plainText().contains(QStringLiteral("85010112345")));
    // The list's file is the list's, never an employee's.
    EXPECT_EQ(previewLabels[0].fileName,
              QStringLiteral("Wykaz ubezpieczonych nr 5-2026 z dnia 2026.12.10.pdf"));
    EXPECT_EQ(previewLabels[0].title, QStringLiteral("Wykaz ubezpieczonych nr 5/2026"));

    pesel->selectAll();
    records::test::type(pesel, QStringLiteral("90020212345"));  // typed again, not saved
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::No);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Kp -1"));
    ASSERT_EQ(target.jobs().size(), 1u);
    EXPECT_TRUE(
        target.jobs()[0].document.pages[0].plainText().contains(QStringLiteral("90020212345")));

    // Saved, as "Zapisz dane" would have saved it.
    EXPECT_EQ(dane->TRP7.state(), engine::TableState::Browse);
    bool stored = false;
    for (const auto& row : rows("BAZA/KADRY/RP7"))
        stored = stored || textOf(row, "KP11") == QStringLiteral("90020212345");
    EXPECT_TRUE(stored);
}

TEST_F(PrintCommandsTest, ACardThatCannotBeSavedIsReportedAndNothingPrints) {
    startWindow();
    mark({0});
    for (const char* command : {"Wydruki/Wydruk Rp-7", "Wydruki/Podgląd Kp-1 str. 1",
                                "Zadania/Wydruk wykazu ubezpieczonych"}) {
        SCOPED_TRACE(command);
        // The card's number made equal to another card's: the save is refused.
        dane->TRP7.first();
        dane->TRP7.edit();
        dane->TRP7.setAsInteger(dane->TRP7.field("NR"), 2);
        const std::size_t asked = prompter.questions().size();
        window->runMenuCommand(QString::fromUtf8(command));
        ASSERT_EQ(prompter.questions().size(), asked + 1);
        EXPECT_EQ(prompter.questions().back().text, QStringLiteral("Błąd zapisu"));
        EXPECT_TRUE(target.jobs().empty());
        EXPECT_TRUE(previews.empty());
    }
}

// A run over several employees drives the progress window, one step per employee, and closes
// it before any question or message; it never stays open after a failure.
TEST_F(PrintCommandsTest, ARunShowsItsProgressPerEmployeeAndClosesItBeforeAsking) {
    startWindow();
    setParameters("1", true);
    mark({0, 1, 2});
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_EQ(jobs().size(), 6u);
    EXPECT_EQ(progress,
              (std::vector<QString>{
                  QStringLiteral("Start Drukowanie Rp-7 3"), QStringLiteral("+"),
                  QStringLiteral("+"), QStringLiteral("+"), QStringLiteral("Stop"),
                  QStringLiteral("Start Drukowanie Rp-7 – strony drugie 3"), QStringLiteral("+"),
                  QStringLiteral("+"), QStringLiteral("+"), QStringLiteral("Stop")}));

    progress.clear();
    target.clear();
    target.failJob(7, QStringLiteral("Drukarka odrzuciła zadanie."));  // Józef's Kp-1 front
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Kp -1"));
    EXPECT_EQ(progress, (std::vector<QString>{QStringLiteral("Start Drukowanie Kp-1 3"),
                                              QStringLiteral("+"), QStringLiteral("Stop")}));
    EXPECT_EQ(prompter.questions().back().icon, MessageIcon::Error);
}

// Nobody marked is left out in silence: a card gone since it was marked is named at the end,
// with how many were printed.
TEST_F(PrintCommandsTest, ACardGoneSinceItWasMarkedIsNamedAtTheEndWithTheCount) {
    startWindow();
    mark({0, 1, 2});
    deleteOnConfirmation = window->XDBGrid1().gridModel()->bookmark(1);  // Józef
    // Made again with the prompter that deletes him while the confirmation is open.
    PrintServices services;
    services.dane = dane.get();
    services.target = &target;
    services.markedRows = [this] { return window->XDBGrid1().markedRows(); };
    addServices(services);
    commands = std::make_unique<PrintCommands>(services);
    prompter.queue(MessageResult::Yes);
    commands->Wydrukzacznika1Click();
    EXPECT_EQ(jobs(),
              (std::vector<QString>{QStringLiteral("Załącznik 1 do Rp-7 ") + kAnna,
                                    QStringLiteral("Załącznik 1 do Rp-7 Zając Małgorzata")}));
    ASSERT_EQ(prompter.questions().size(), 2u);
    const auto& end = prompter.questions().back();
    EXPECT_EQ(end.icon, MessageIcon::Warning);
    EXPECT_TRUE(end.text.contains(QStringLiteral("2 z 3"))) << end.text.toStdString();
    EXPECT_TRUE(end.text.contains(kJozef)) << end.text.toStdString();
}

// Earnings that cannot be read print no Rp-7 that would understate them; each employee is
// named, and a run that printed nothing is an error.
TEST_F(PrintCommandsTest, EarningsThatCannotBeReadPrintNoRp7AndAreNamed) {
    startWindow();
    mark({0, 1});
    dane->Tzar.close();
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_TRUE(target.jobs().empty());
    ASSERT_EQ(prompter.questions().size(), 2u);
    const auto& none = prompter.questions().back();
    EXPECT_EQ(none.icon, MessageIcon::Error);
    EXPECT_TRUE(none.text.contains(kAnna) && none.text.contains(kJozef)) << none.text.toStdString();
    EXPECT_TRUE(none.text.contains(QStringLiteral("zarobków"))) << none.text.toStdString();

    // The preview says so too instead of showing an Rp-7 without its earnings.
    window->runMenuCommand(QStringLiteral("Wydruki/Podgląd Rp-7 str. 1"));
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(prompter.questions().back().icon, MessageIcon::Error);
}

// A damaged earnings file met while loading an employee's rows ends the run with the engine's
// reason and what went out; the program goes on.
TEST_F(PrintCommandsTest, AnEngineErrorWhileLoadingEarningsEndsTheRunWithAMessage) {
    startWindow();
    setParameters("0", true);
    mark({0, 1});
    QFile damaged(QString::fromStdString(file("BAZA/KADRY/ZAR.DB")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(100, 'x'));
    damaged.close();
    prompter.queue(MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));
    EXPECT_TRUE(target.jobs().empty());
    const auto& end = prompter.questions().back();
    EXPECT_EQ(end.icon, MessageIcon::Error);
    EXPECT_TRUE(end.text.contains(QStringLiteral("Niczego nie wysłano do drukarki.")))
        << end.text.toStdString();

    window->runMenuCommand(QStringLiteral("Wydruki/Podgląd Rp-7 str. 1"));
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(prompter.questions().back().icon, MessageIcon::Error);
}

}  // namespace
}  // namespace lumiro::printouts

namespace lumiro::printouts {
namespace {

// The years each printed page carries, for an employee with `rows` earnings rows from 2100,
// with the information pages on or off: the chunks of ten or twenty rows, the fronts with the
// first ten of a chunk, the backs with the rest when the information text leaves room.
struct ChunkCase {
    int rows;
    bool information;
};

class Rp7Chunks : public PrintCommandsTest, public ::testing::WithParamInterface<ChunkCase> {};

std::vector<int> yearsOn(const reports::Document& document) {
    std::vector<int> years;
    const QString text = document.pages.at(0).plainText();
    for (int y = 2100; y < 2200; ++y)
        if (text.contains(QString::number(y))) years.push_back(y);
    return years;
}

std::vector<int> span(int from, int to) {
    std::vector<int> out;
    for (int y = from; y < to; ++y) out.push_back(y);
    return out;
}

TEST_P(Rp7Chunks, EachPageCarriesItsRows) {
    const ChunkCase c = GetParam();
    clearTable("BAZA/KADRY/ZAR");
    earnings(1, c.rows, 2100);
    startWindow();
    setParameters("0", c.information);
    mark({0});
    for (int i = 0; i < 8; ++i) prompter.queue(platform::MessageResult::Yes);
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-7"));

    const int size = c.information ? 10 : 20;
    const int printed = std::min(c.rows, 3 * size);
    std::vector<std::vector<int>> expected;
    for (int offset = 0; offset == 0 || offset < printed; offset += size) {
        const int end = std::min(printed, offset + size);
        expected.push_back(span(2100 + offset, 2100 + std::min(end, offset + 10)));
        expected.push_back(c.information || end - offset < 11
                               ? std::vector<int>{}
                               : span(2100 + offset + 10, 2100 + end));
    }
    std::vector<std::vector<int>> seen;
    for (const auto& job : target.jobs()) seen.push_back(yearsOn(job.document));
    EXPECT_EQ(seen, expected);
}

INSTANTIATE_TEST_SUITE_P(RowCounts, Rp7Chunks,
                         ::testing::Values(ChunkCase{10, true}, ChunkCase{11, true},
                                           ChunkCase{15, true}, ChunkCase{25, true},
                                           ChunkCase{35, true}, ChunkCase{10, false},
                                           ChunkCase{11, false}, ChunkCase{15, false},
                                           ChunkCase{25, false}, ChunkCase{35, false}));

}  // namespace
}  // namespace lumiro::printouts
