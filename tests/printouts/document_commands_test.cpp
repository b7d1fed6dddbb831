// The Kp-1, Rp-6, attachment, certificate and list-of-insured commands as the user runs them
// from the index window's menus: the confirmations, single and mass printing, the information
// page only with the information, and the list's dialog, filter and numbers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "printouts/list_parameters_window.h"
#include "printouts/print_commands_fixture.h"

namespace lumiro::printouts {
namespace {

using platform::MessageResult;

const QString kSecondPage = QStringLiteral("Wydruk 2 strony po obróceniu kartki wciśnij Tak");
const QString kAnna = QStringLiteral("Kowalska Anna");
const QString kJozef = QStringLiteral("Wiśniewski Józef");
const QString kMalgorzata = QStringLiteral("Zając Małgorzata");

class DocumentCommands : public test::PrintCommandsFixture {
  protected:
    void previewOpened(ReportForm&) override {
        // What the view lets through while the preview is open.
        std::vector<QString> listed;
        for (dane->WRP7.first(); !dane->WRP7.eof(); dane->WRP7.next())
            listed.push_back(value(dane->WRP7, "POLE1"));
        listedInPreview.push_back(listed);
    }

    void addServices(PrintServices& services) override {
        services.askListHeading = [this](int listed) -> std::optional<ListHeading> {
            dialog = std::make_unique<TKADF7>(dane->values());
            QTimer::singleShot(0, [this] {
                dialogShown = {dialog->ENUMER().text(), dialog->EROK().text(), dialog->EDNIA().text(),
                               dialog->EILOSC().text()};
                dialog->ENUMER().setText(QStringLiteral("7"));
                for (auto* b : dialog->findChildren<QPushButton*>())
                    if (b->text() == dialogButton) b->click();
            });
            return dialog->ask(listed);
        };
    }

    void answer(std::initializer_list<MessageResult> answers) {
        for (MessageResult a : answers) prompter.queue(a);
    }

    std::vector<std::vector<QString>> listedInPreview;
    std::unique_ptr<TKADF7> dialog;
    QString dialogButton = QStringLiteral("Wydruk");
    std::vector<QString> dialogShown;
};

QString job(const char* document, const QString& who) {
    return QString::fromUtf8(document) + u' ' + who;
}

TEST_F(DocumentCommands, Kp1PrintsEachSheetOrAllFrontsFirst) {
    startWindow();
    setParameters("0", false);
    mark({0, 1});
    answer({MessageResult::Yes, MessageResult::No, MessageResult::Yes});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Kp -1"));
    EXPECT_EQ(questions(), (std::vector<QString>{QStringLiteral("Wydruk wszystkich oznaczonych dokumentów "
                                                                "Kp-1 w ilości 2"),
                                                 kSecondPage, kSecondPage}));
    EXPECT_EQ(jobs(), (std::vector<QString>{job("Kp-1 str. 1", kAnna), job("Kp-1 str. 1", kJozef),
                                            job("Kp-1 str. 2", kJozef)}));
    EXPECT_TRUE(target.jobs()[0].document.pages[0].plainText().contains(QStringLiteral("Kowalska")));

    target.clear();
    setParameters("1", true);
    answer({MessageResult::Yes, MessageResult::Yes});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Kp -1"));
    EXPECT_EQ(jobs(), (std::vector<QString>{job("Kp-1 str. 1", kAnna), job("Kp-1 str. 1", kJozef),
                                            job("Kp-1 str. 2", kAnna), job("Kp-1 str. 2", kJozef)}));
}

TEST_F(DocumentCommands, Rp6AsksForTheInformationPageOnlyWithTheInformation) {
    startWindow();
    mark({0, 1, 2});
    // Without the information: no prompt at all, in either mode.
    for (const char* p2 : {"0", "1"}) {
        setParameters(p2, false);
        target.clear();
        const std::size_t asked = prompter.questions().size();
        answer({MessageResult::Yes});
        window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-6"));
        EXPECT_EQ(prompter.questions().size(), asked + 1) << p2;
        EXPECT_EQ(prompter.questions().back().text,
                  QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-6 w ilości 3"));
        EXPECT_EQ(jobs(), (std::vector<QString>{job("Rp-6 str. 1", kAnna), job("Rp-6 str. 1", kJozef),
                                                job("Rp-6 str. 1", kMalgorzata)}))
            << p2;
    }
    // Mass mode with the information: three copies of the information page after one prompt.
    setParameters("1", true);
    target.clear();
    const std::size_t asked = prompter.questions().size();
    answer({MessageResult::Yes, MessageResult::Yes});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Rp-6"));
    EXPECT_EQ(prompter.questions().size(), asked + 2);
    ASSERT_EQ(jobs().size(), 6u);
    for (std::size_t i = 3; i < 6; ++i) EXPECT_TRUE(jobs()[i].startsWith(QStringLiteral("Rp-6 str. 2"))) << i;
    EXPECT_TRUE(target.jobs()[3].document.pages[0].plainText().contains(QStringLiteral("INFORMACJA")));
}

TEST_F(DocumentCommands, EmptyGridInMassModeStillAsksForTheReverseSidesOnce) {
    clearTable("BAZA/KADRY/RP7");
    startWindow();
    setParameters("1", true);
    answer({MessageResult::Yes, MessageResult::No});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk Kp -1"));
    EXPECT_EQ(questions(), (std::vector<QString>{QStringLiteral("Wydruk wszystkich oznaczonych dokumentów "
                                                                "Kp-1 w ilości 0"),
                                                 kSecondPage}));
    EXPECT_TRUE(jobs().empty());
}

TEST_F(DocumentCommands, AttachmentAndCertificatePrintOneSheetEach) {
    startWindow();
    mark({1, 2});
    answer({MessageResult::Yes});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk załącznika"));
    answer({MessageResult::No});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk zaświadczenia"));
    answer({MessageResult::Yes});
    window->runMenuCommand(QStringLiteral("Wydruki/Wydruk zaświadczenia"));
    const QString confirm = QStringLiteral("Wydruk wszystkich oznaczonych dokumentów w ilości 2");
    EXPECT_EQ(questions(), (std::vector<QString>{confirm, confirm, confirm}));
    EXPECT_EQ(jobs(), (std::vector<QString>{job("Załącznik 1 do Rp-7", kJozef), job("Załącznik 1 do Rp-7", kMalgorzata),
                                            job("Zaświadczenie", kJozef), job("Zaświadczenie", kMalgorzata)}));
    EXPECT_FALSE(target.jobs()[0].document.duplex());
    EXPECT_TRUE(target.jobs()[2].document.duplex());
}

TEST_F(DocumentCommands, PreviewsShowTheCurrentEmployee) {
    startWindow();
    mark({0, 2});  // marks do not matter to a preview
    dane->TRP7.first();
    dane->TRP7.next();
    for (const char* item : {"Podgląd Kp-1 str. 1", "Podgląd Kp-1 str. 2", "Podgląd Rp-6 str. 1",
                             "Podgląd Rp-6 str. 2", "Podgląd załącznika", "Podgląd zaświadczenia"})
        window->runMenuCommand(QStringLiteral("Wydruki/") + QString::fromUtf8(item));
    EXPECT_EQ(previews,
              (std::vector<QString>{
                  QStringLiteral("Kp-1 str. 1|Kp-1 Wiśniewski Józef.pdf"),
                  QStringLiteral("Kp-1 str. 2|Kp-1 Wiśniewski Józef str. 2.pdf"),
                  QStringLiteral("Rp-6 str. 1|Rp-6 Wiśniewski Józef.pdf"),
                  QStringLiteral("Rp-6 str. 2|Rp-6 Wiśniewski Józef str. 2.pdf"),
                  QStringLiteral("Załącznik 1 do Rp-7|Załącznik 1 do Rp-7 Wiśniewski Józef.pdf"),
                  QStringLiteral("Zaświadczenie|Zaświadczenie Wiśniewski Józef.pdf")}));
    EXPECT_TRUE(previewPages[0].pages[0].plainText().contains(QStringLiteral("Wiśniewski")));
    EXPECT_TRUE(jobs().empty());
}

TEST_F(DocumentCommands, ListOfInsuredListsTheMarkedInTheGridsOrderAndFiltersOnlyMeanwhile) {
    startWindow();
    mark({0, 2});
    window->runMenuCommand(QStringLiteral("Zadania/Wydruk wykazu ubezpieczonych"));
    // The dialog's defaults: no number, the working year, today; the count of the marked.
    EXPECT_EQ(dialogShown, (std::vector<QString>{QString(), QStringLiteral("2005"), QStringLiteral("2005.03.10"),
                                                 QStringLiteral("2")}));
    ASSERT_EQ(previews.size(), 1u);
    // Its file and title are the list's, with its number and date, never the current employee's.
    EXPECT_EQ(previews[0], QStringLiteral("Wykaz ubezpieczonych|Wykaz ubezpieczonych nr 7-2005 z "
                                          "dnia 2005.03.10.pdf"));
    EXPECT_EQ(previewLabels[0].title, QStringLiteral("Wykaz ubezpieczonych nr 7/2005"));
    EXPECT_EQ(listedInPreview[0], (std::vector<QString>{kAnna,
                                                        QStringLiteral("Zając Małgorzata")}));
    const QString text = previewPages[0].pages[0].plainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Kowalska"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Zając")));
    EXPECT_FALSE(text.contains(QStringLiteral("Wiśniewski")));
    // Afterwards the view lets everyone through and nothing is chosen.
    EXPECT_TRUE(dane->WybraneNR.empty());
    int all = 0;
    for (dane->WRP7.first(); !dane->WRP7.eof(); dane->WRP7.next()) ++all;
    EXPECT_EQ(all, 4);
    EXPECT_TRUE(jobs().empty());
}

TEST_F(DocumentCommands, ListOfInsuredWithNothingMarkedOrAbortedShowsNothing) {
    startWindow();
    window->runMenuCommand(QStringLiteral("Zadania/Wydruk wykazu ubezpieczonych"));
    EXPECT_EQ(questions(), (std::vector<QString>{QStringLiteral("Nie oznaczono żadnego ubezpieczonego.")}));
    EXPECT_TRUE(dialogShown.empty());
    EXPECT_TRUE(previews.empty());

    mark({1});
    dialogButton = QStringLiteral("Przerwij");
    window->runMenuCommand(QStringLiteral("Zadania/Wydruk wykazu ubezpieczonych"));
    EXPECT_EQ(dialogShown.size(), 4u);
    EXPECT_TRUE(previews.empty());
    EXPECT_TRUE(jobs().empty());
    int all = 0;
    for (dane->WRP7.first(); !dane->WRP7.eof(); dane->WRP7.next()) ++all;
    EXPECT_EQ(all, 4);
}

}  // namespace
}  // namespace lumiro::printouts
