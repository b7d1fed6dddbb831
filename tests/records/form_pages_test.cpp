#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "records/form_page.h"
#include "records/id_number_indicator.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using namespace Qt::StringLiterals;

using components::DataGrid;
using components::DataNavigator;
using components::DbEdit;
using components::NavigatorButton;
using engine::TableState;

class FormPagesTest : public RecordsFixture {
  protected:
    // Payer 9 with one employee card, so that the demonstration data stays out of the way.
    void seedCard(const Row& card) {
        addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(9)}, {"POCZTA", text("Próbna")}}});
        Row row = card;
        row["ZLEC"] = integer(9);
        row["NR"] = integer(1);
        addRows("BAZA/KADRY/RP7", {row});
    }

    void seedEarnings(int count) {
        std::vector<Row> earnings;
        for (int i = 0; i < count; ++i)
            earnings.push_back({{"ZLEC", integer(9)},
                                {"NR", integer(1)},
                                {"POLE1", text(std::to_string(1960 + i).c_str())}});
        addRows("BAZA/KADRY/ZAR", earnings);
    }

    void openPages() {
        start();
        ASSERT_TRUE(dane->TZlec.findKey({integer(9)}));
        ASSERT_EQ(dane->TRP7.asInteger(dane->TRP7.field("ZLEC")), 9);
        context = std::make_unique<FormPagesContext>(FormPagesContext{
            *dane, prompter, [this](InformationNote note) { notes.push_back(note); }});
        host = std::make_unique<QWidget>();
        pages = createFormPages(*context, host.get());
        ASSERT_EQ(pages.size(), 9u);
        QApplication::processEvents();
    }

    FormPage& page(int index) { return *pages.at(std::size_t(index)); }

    DbEdit* field(int pageIndex, const char* column) {
        auto* edit = page(pageIndex).findChild<DbEdit*>(QString::fromLatin1(column));
        EXPECT_NE(edit, nullptr) << column;
        return edit;
    }

    // Types into a field and leaves it with Tab, as the user does.
    void enter(int pageIndex, const char* column, const char* utf8) {
        DbEdit* edit = field(pageIndex, column);
        if (!edit) return;
        edit->selectAll();
        if (!edit->text().isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
        type(edit, QString::fromUtf8(utf8));
        leave(edit);
    }

    Row card() {
        for (const Row& row : rows("BAZA/KADRY/RP7"))
            if (integerOf(row, "ZLEC") == 9) return row;
        ADD_FAILURE() << "no card";
        return {};
    }

    void TearDown() override {
        host.reset();
        context.reset();
        RecordsFixture::TearDown();
    }

    std::unique_ptr<FormPagesContext> context;
    std::unique_ptr<QWidget> host;
    std::vector<FormPage*> pages;
    std::vector<InformationNote> notes;
};

TEST_F(FormPagesTest, PagesComeInFormOrderAndOnlyTheCertificateImports) {
    seedCard({{"POLE1", text("Nowy")}});
    openPages();
    QStringList captions;
    for (FormPage* p : pages) captions << p->caption();
    EXPECT_EQ(captions,
              (QStringList{u"ZUS Kp-1"_s, u"ZUS Kp-1 CD"_s, u"ZUS Kp-1 CD"_s, u"ZUS Rp-6"_s,
                           u"ZUS RP-7"_s, u"ZUS RP-7 CD"_s, u"ZUS RP-7 CD"_s,
                           QStringLiteral("Załącznik"), QStringLiteral("Zaświadczenie")}));
    for (std::size_t i = 0; i + 1 < pages.size(); ++i) EXPECT_FALSE(pages[i]->importsData());
    EXPECT_TRUE(pages.back()->importsData());

    // Each "INFORMACJA" button asks for its own form's note.
    page(2).findChild<QPushButton*>(QStringLiteral("Button4"))->click();
    page(3).findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    page(6).findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    EXPECT_EQ(notes, (std::vector<InformationNote>{InformationNote::Kp1, InformationNote::Rp6,
                                                   InformationNote::Rp7}));
}

TEST_F(FormPagesTest, LeavingKp1FieldsFillsTheQuestionnaireAndTheCertificateHeadings) {
    seedCard({{"POLE1", text("Nowy")},
              {"POLE3", text("99999999999")},
              {"R4", text("11111111111")},
              {"POLE2", text("inna data")}});
    openPages();
    enter(0, "KP1", "Kowalski");
    EXPECT_EQ(dane->TRP7.state(), TableState::Edit);
    EXPECT_EQ(value(dane->TRP7, "R1"), QStringLiteral("Kowalski"));
    EXPECT_EQ(value(dane->TRP7, "POLE1"), QStringLiteral("Kowalski  "));
    enter(0, "KP2", "Jan");
    EXPECT_EQ(value(dane->TRP7, "POLE1"), QStringLiteral("Kowalski Jan "));
    enter(0, "KP4", "Żółć");
    enter(0, "KP8", "01-02-1950");
    // Fourteen digits typed; the form takes eleven.
    enter(0, "KP11", "44051401359123");
    enter(0, "KP12", "5261040828");
    enter(0, "KP13", "ABC123456");
    // What the Rp-7 page shows follows at once.
    EXPECT_EQ(field(4, "POLE1")->text(), QStringLiteral("Kowalski Jan Żółć"));
    EXPECT_EQ(field(3, "R4")->text(), QStringLiteral("44051401359"));
    auto* check = page(0).findChild<IdNumberIndicator*>(QStringLiteral("checkKP11"));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->check(), IdNumberCheck::Valid);

    dane->ZapiszRekord(dane->TRP7);
    const Row saved = card();
    EXPECT_EQ(textOf(saved, "R1"), QStringLiteral("Kowalski"));
    EXPECT_EQ(textOf(saved, "R2"), QStringLiteral("Jan"));
    EXPECT_EQ(textOf(saved, "POLE1"), QStringLiteral("Kowalski Jan Żółć"));
    EXPECT_EQ(textOf(saved, "R3"), QStringLiteral("01-02-1950"));
    EXPECT_EQ(textOf(saved, "POLE2"), QStringLiteral("01-02-1950"));
    EXPECT_EQ(textOf(saved, "KP11"), QStringLiteral("44051401359"));
    EXPECT_EQ(textOf(saved, "R4"), QStringLiteral("44051401359"));
    EXPECT_EQ(textOf(saved, "POLE3"), QStringLiteral("44051401359"));
    EXPECT_EQ(textOf(saved, "R5"), QStringLiteral("5261040828"));
    EXPECT_EQ(textOf(saved, "R6"), QStringLiteral("ABC123456"));
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(FormPagesTest, EmptyFieldCopiesNothingAndLongNamesAreCutToTheNameColumn) {
    seedCard({{"POLE1", text("Kowalski Jan ")},
              {"KP1", text("Kowalski")},
              {"KP2", text("Jan")},
              {"R1", text("Kowalski")},
              {"POLE3", text("12345678901")}});
    openPages();
    enter(0, "KP1", "");
    enter(0, "KP11", "");
    EXPECT_EQ(value(dane->TRP7, "R1"), QStringLiteral("Kowalski"));
    EXPECT_EQ(value(dane->TRP7, "POLE1"), QStringLiteral("Kowalski Jan "));
    EXPECT_EQ(value(dane->TRP7, "POLE3"), QStringLiteral("12345678901"));

    // Three names of fifty letters make more than the fifty the name column holds.
    const std::string fifty(50, 'W');
    enter(0, "KP1", fifty.c_str());
    enter(0, "KP2", fifty.c_str());
    dane->ZapiszRekord(dane->TRP7);
    EXPECT_TRUE(prompter.questions().empty());
    const Row saved = card();
    EXPECT_EQ(textOf(saved, "POLE1"), QString::fromStdString(fifty));
    EXPECT_EQ(textOf(saved, "R2"), QString::fromStdString(fifty));
}

TEST_F(FormPagesTest, AttachmentsFieldIsSharedByTheApplicationAndTheCertificate) {
    seedCard({{"POLE1", text("Nowy")}});
    openPages();
    enter(0, "POLE30", "2 egz.");
    EXPECT_EQ(field(6, "POLE30")->text(), QStringLiteral("2 egz."));
    enter(6, "POLE30", "3 egz.");
    EXPECT_EQ(field(0, "POLE30")->text(), QStringLiteral("3 egz."));
}

TEST_F(FormPagesTest, EarningsRowShowsItsTotalWithGroupedThousands) {
    seedCard({{"POLE1", text("Nowy")}});
    addRows("BAZA/KADRY/ZAR",
            {{{"ZLEC", integer(9)},
              {"NR", integer(1)},
              {"POLE1", text("1998")},
              {"POLE2", Value{1000.0}},
              {"POLE3", Value{250.5}},
              {"POLE7", Value{49.5}}},
             {{"ZLEC", integer(9)}, {"NR", integer(1)}, {"POLE1", text("1990")}}});
    openPages();
    auto* grid = page(5).findChild<DataGrid*>(QStringLiteral("DBGrid1"));
    ASSERT_NE(grid, nullptr);
    // Cell editors open only in a grid on screen.
    host->resize(1100, 700);
    page(5).resize(1100, 700);
    host->show();
    page(5).show();
    QApplication::processEvents();
    auto* model = grid->gridModel();
    model->resetNow();
    ASSERT_EQ(model->rowCount(), 2);
    const int total = model->columnCount() - 1;
    // Years in order; an empty row totals zero with two decimals.
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("1990"));
    EXPECT_EQ(model->index(0, total).data().toString().right(3).mid(1), QStringLiteral("00"));
    const QString sum = model->index(1, total).data().toString();
    EXPECT_TRUE(sum.startsWith(QStringLiteral("1 300"))) << sum.toStdString();

    // Typing an amount updates the total once the row is posted.
    dane->Tzar.last();
    grid->setCurrentIndex(model->index(1, 8));
    grid->edit(grid->currentIndex());
    QLineEdit* editor = nullptr;
    for (auto* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    ASSERT_NE(editor, nullptr);
    type(editor, QStringLiteral("100"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits the editor's text through a queued call.
    QApplication::processEvents();
    // Enter in the last cell that takes input on the last row (the total is computed) stores
    // the row at once.
    EXPECT_EQ(dane->Tzar.state(), TableState::Browse);
    EXPECT_EQ(grid->currentIndex().row(), model->rowCount() - 1);
    dane->ZapiszRekord(dane->Tzar);
    model->resetNow();
    EXPECT_TRUE(model->index(1, total).data().toString().startsWith(QStringLiteral("1 400")));
    // The demo employees have rows of the same years: look at this card's row only.
    int found = 0;
    for (const Row& row : rows("BAZA/KADRY/ZAR")) {
        const auto* zlec = std::get_if<std::int64_t>(&row.at("ZLEC"));
        const auto* nr = std::get_if<std::int64_t>(&row.at("NR"));
        if (!zlec || *zlec != 9 || !nr || *nr != 1 ||
            textOf(row, "POLE1") != QStringLiteral("1998"))
            continue;
        ++found;
        const auto* amount = std::get_if<double>(&row.at("POLE9"));
        ASSERT_NE(amount, nullptr);
        EXPECT_DOUBLE_EQ(*amount, 100.0);
    }
    EXPECT_EQ(found, 1);
}

TEST_F(FormPagesTest, BenefitPeriodDatesAreTypedThroughTheDateMask) {
    seedCard({{"POLE1", text("Nowy")}});
    openPages();
    auto* grid = page(7).findChild<DataGrid*>(QStringLiteral("DBGrid3"));
    auto* navigator = page(7).findChild<DataNavigator*>(QStringLiteral("DBGrid3Navigator"));
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(navigator, nullptr);
    host->resize(1100, 700);
    page(7).resize(1100, 700);
    host->show();
    page(7).show();
    QApplication::processEvents();
    navigator->press(NavigatorButton::Insert);
    QApplication::processEvents();
    auto* model = grid->gridModel();
    for (const auto& [column, typed] :
         {std::pair{0, QStringLiteral("Zasiłek chorobowy")},
          std::pair{1, QStringLiteral("20040501")}, std::pair{2, QStringLiteral("20040531")}}) {
        grid->setCurrentIndex(model->index(model->currentRow(), column));
        grid->edit(grid->currentIndex());
        QLineEdit* editor = nullptr;
        for (auto* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) editor = e;
        ASSERT_NE(editor, nullptr);
        editor->home(false);
        type(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    }
    navigator->press(NavigatorButton::Post);
    std::vector<Row> mine;
    for (const Row& row : rows("BAZA/KADRY/ZAL2"))
        if (integerOf(row, "ZLEC") == 9) mine.push_back(row);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(integerOf(mine[0], "NR"), 1);
    EXPECT_EQ(textOf(mine[0], "POLE1"), QStringLiteral("Zasiłek chorobowy"));
    EXPECT_EQ(textOf(mine[0], "POLE2"), QStringLiteral("2004.05.01"));
    EXPECT_EQ(textOf(mine[0], "POLE3"), QStringLiteral("2004.05.31"));
}

TEST_F(FormPagesTest, BeginningARowPastThePrintableCountWarnsButGoesOn) {
    seedCard({{"POLE1", text("Nowy")}});
    seedEarnings(30);
    openPages();
    dane->TPARA.edit();
    dane->TPARA.setValue("B1", Value{true});
    dane->TPARA.post();
    auto* navigator = page(5).findChild<DataNavigator*>(QStringLiteral("DBGrid1Navigator"));
    ASSERT_NE(navigator, nullptr);

    navigator->press(NavigatorButton::Insert);
    EXPECT_TRUE(prompter.questions().empty());
    dane->Tzar.setValue("POLE1", text("2001"));
    navigator->press(NavigatorButton::Post);

    navigator->press(NavigatorButton::Insert);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_TRUE(prompter.questions()[0].text.startsWith(
        QStringLiteral("Przekroczona maksymalna ilość pozycji możliwych do wydrukowania.")));
    EXPECT_EQ(dane->Tzar.state(), TableState::Insert);
    dane->Tzar.setValue("POLE1", text("2002"));
    navigator->press(NavigatorButton::Post);
    int mine = 0;
    for (const Row& row : rows("BAZA/KADRY/ZAR")) mine += integerOf(row, "ZLEC") == 9;
    EXPECT_EQ(mine, 32);
}

TEST_F(FormPagesTest, ImportFillsTheCertificateFromTheCardAndKeepsOtherFields) {
    seedCard({{"POLE1", text("Kowalski Jan ")},
              {"POLE2", text("01-02-1950")},
              {"POLE4", text("1990.01.01")},
              {"KP6", text("Józef")},
              {"KP7", text("Maria")}});
    openPages();
    FormPage& certificate = page(8);
    certificate.importData();
    auto mine = [this] {
        std::vector<Row> out;
        for (const Row& row : rows("BAZA/KADRY/ZAL3"))
            if (integerOf(row, "ZLEC") == 9) out.push_back(row);
        return out;
    };
    auto saved = mine();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(integerOf(saved[0], "NR"), 1);
    EXPECT_EQ(textOf(saved[0], "POLE1"), QStringLiteral("2005.03.10"));
    EXPECT_EQ(textOf(saved[0], "POLE2"), QStringLiteral("Kowalski Jan "));
    EXPECT_EQ(textOf(saved[0], "POLE3"), QStringLiteral("Józef Maria"));
    EXPECT_EQ(textOf(saved[0], "POLE4"), QStringLiteral("01-02-1950"));
    EXPECT_EQ(textOf(saved[0], "POLE7"), QStringLiteral("1990.01.01"));
    EXPECT_TRUE(textOf(saved[0], "POLE9").isEmpty());
    EXPECT_EQ(field(8, "POLE3")->text(), QStringLiteral("Józef Maria"));

    enter(8, "POLE9", "księgowa");
    enter(0, "KP6", "Adam");
    certificate.importData();
    dane->ZapiszRekord(dane->TRP7);
    saved = mine();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(textOf(saved[0], "POLE3"), QStringLiteral("Adam Maria"));
    EXPECT_EQ(textOf(saved[0], "POLE9"), QStringLiteral("księgowa"));
    EXPECT_TRUE(prompter.questions().empty());
}

// Every label shows its whole text at the size the index window gives its pages; with
// LUMIRO_SCREENSHOTS set the pages are saved there as pictures for a look.
TEST_F(FormPagesTest, PagesShowEveryLabelWhole) {
    seedCard({{"POLE1", text("Kowalski Jan ")}, {"KP11", text("44051401359")}});
    seedEarnings(3);
    openPages();
    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        FormPage* p = pages[i];
        p->setParent(nullptr);
        p->resize(1100, 720);
        p->show();
        QApplication::processEvents();
        for (auto* label : p->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->wordWrap() || label->text().isEmpty()) continue;
            EXPECT_GE(label->width(), label->sizeHint().width())
                << p->caption().toStdString() << ": " << label->text().toStdString();
        }
        const QPixmap picture = p->grab();
        EXPECT_FALSE(picture.isNull());
        if (!folder.isEmpty()) picture.save(QStringLiteral("%1/page%2.png").arg(folder).arg(i + 1));
        p->hide();
        p->setParent(host.get());
    }
}

}  // namespace lumiro::records::test
