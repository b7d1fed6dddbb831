#include <filesystem>

#include <QComboBox>
#include <QImage>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include "components/data_controls.h"
#include "components/page_control.h"
#include "records/company_window.h"
#include "records/id_number_indicator.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using components::DbEdit;

const char* const kAddressColumns[] = {"ULICA", "NUMER",       "LOKAL",  "KOD",   "POCZTA",
                                       "KRAJ",  "WOJEWODZTWO", "POWIAT", "GMINA", "MIEJSCOWOSC"};

class CompanyWindowTest : public RecordsFixture {
  protected:
    // The company record with both addresses empty but for the given columns.
    void seedCompany(const Row& address) {
        clearTable("FIRMA");
        Row row = {{"NR", integer(1)}, {"SKROT", text("Bilans")}};
        for (const auto& [column, value] : address) row[column] = value;
        addRows("FIRMA", {row});
    }

    void openWindow(const QImage& logo = {}) {
        start();
        window = std::make_unique<TFIRMAF>(*dane, logo);
        window->show();
        QApplication::processEvents();
    }

    // Types into the control of `column` on the head-office page and leaves it.
    void typeAndLeave(const QString& column, const QString& text) {
        QWidget* control = window->control(column);
        ASSERT_NE(control, nullptr) << column.toStdString();
        if (auto* edit = qobject_cast<DbEdit*>(control)) {
            edit->selectAll();
            type(edit, text);
        } else {
            auto* box = qobject_cast<QComboBox*>(control);
            box->setEditText(QString());
            type(box->lineEdit(), text);
        }
        leave(control);
    }

    Row company() const { return rows("FIRMA").at(0); }

    void TearDown() override {
        window.reset();
        RecordsFixture::TearDown();
    }

    std::unique_ptr<TFIRMAF> window;
};

TEST_F(CompanyWindowTest, LeavingThePostOfficeFillsEveryEmptyPlaceName) {
    seedCompany({{"GMINA", text("Wieliczka")}});
    openWindow();
    typeAndLeave(QStringLiteral("POCZTA"), QStringLiteral("Kraków"));
    window->close();

    const Row row = company();
    for (const char* column :
         {"POCZTA", "ZPOCZTA", "POWIAT", "MIEJSCOWOSC", "ZPOWIAT", "ZGMINA", "ZMIEJSCOWOSC"})
        EXPECT_EQ(textOf(row, column), QStringLiteral("Kraków")) << column;
    EXPECT_EQ(textOf(row, "GMINA"), QStringLiteral("Wieliczka"));
    for (const char* column : {"ULICA", "ZULICA", "KOD", "ZKOD", "KRAJ", "ZKRAJ"})
        EXPECT_TRUE(textOf(row, column).isEmpty()) << column;
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(CompanyWindowTest, HeadOfficeFieldsFillOnlyEmptyResidentialOnes) {
    seedCompany({{"ZULICA", text("Długa")}});
    openWindow();
    typeAndLeave(QStringLiteral("ULICA"), QStringLiteral("Floriańska"));
    typeAndLeave(QStringLiteral("NUMER"), QStringLiteral("12a"));
    typeAndLeave(QStringLiteral("WOJEWODZTWO"), QStringLiteral("MAŁOPOLSKIE"));
    typeAndLeave(QStringLiteral("KRAJ"), QStringLiteral("Polska"));
    // Typed into afterwards, the residential field keeps what the user typed there.
    typeAndLeave(QStringLiteral("ZKRAJ"), QStringLiteral("Niemcy"));
    typeAndLeave(QStringLiteral("KRAJ"), QStringLiteral("Polska"));
    // Leaving an empty field copies nothing.
    leave(window->control(QStringLiteral("LOKAL")));
    window->close();

    const Row row = company();
    EXPECT_EQ(textOf(row, "ULICA"), QStringLiteral("Floriańska"));
    EXPECT_EQ(textOf(row, "ZULICA"), QStringLiteral("Długa"));
    EXPECT_EQ(textOf(row, "ZNUMER"), QStringLiteral("12a"));
    EXPECT_EQ(textOf(row, "ZWOJEWODZTWO"), QStringLiteral("MAŁOPOLSKIE"));
    EXPECT_EQ(textOf(row, "ZKRAJ"), QStringLiteral("Niemcy"));
    EXPECT_TRUE(textOf(row, "ZLOKAL").isEmpty());
    EXPECT_TRUE(textOf(row, "POWIAT").isEmpty());  // only the post office fills place names
}

TEST_F(CompanyWindowTest, EveryPageEditsItsColumnsAndClosingSavesThem) {
    seedCompany({});
    openWindow();
    QSignalSpy changed(window.get(), &TFIRMAF::payersChanged);
    auto& pages = window->STRONY();
    ASSERT_EQ(pages.count(), 6);
    EXPECT_EQ(pages.tabText(2), QStringLiteral("Adres zamieszkana"));
    EXPECT_EQ(pages.currentIndex(), 0);

    const std::pair<const char*, const char*> typed[] = {
        {"NIP", "526-104-08-28"}, {"REGON", "123456784"},     {"PESEL", "44051401458"},
        {"NAZWA1", "Bilans"},     {"NAZWISKO", "Żółkiewski"}, {"NRD", "ABC123456"},
        {"ZULICA", "Polna"},      {"NUM3", "12 1020 1026"},   {"URZAD", "US Kraków"},
        {"DR", "D:\\DANE\\"},     {"ARCHDNI", "30"},          {"OBRDATA", "0401"}};
    for (const auto& [column, value] : typed) {
        DbEdit* edit = window->edit(QString::fromUtf8(column));
        ASSERT_NE(edit, nullptr) << column;
        edit->selectAll();
        type(edit, QString::fromUtf8(value));
    }
    EXPECT_EQ(window->indicator(QStringLiteral("NIP"))->check(), IdNumberCheck::Valid);
    EXPECT_EQ(window->indicator(QStringLiteral("PESEL"))->check(), IdNumberCheck::Valid);
    EXPECT_EQ(window->indicator(QStringLiteral("REGON"))->check(), IdNumberCheck::Invalid);
    EXPECT_TRUE(window->edit(QStringLiteral("ARCHDATA"))->isReadOnly());

    auto* kind = qobject_cast<QComboBox*>(window->control(QStringLiteral("RP")));
    ASSERT_EQ(kind->count(), 2);
    kind->setCurrentIndex(1);
    auto* province = qobject_cast<QComboBox*>(window->control(QStringLiteral("ZWOJEWODZTWO")));
    ASSERT_EQ(province->count(), 16);
    EXPECT_EQ(province->itemText(4), QStringLiteral("ŁÓDZKIE"));
    EXPECT_EQ(province->itemText(15), QStringLiteral("ZACHODNIPOMORSKIE"));
    province->setCurrentIndex(11);
    window->findChild<QCheckBox*>(QStringLiteral("ELOGO"))->click();

    // Nothing is written until the window closes, and then with one question only: the data
    // path typed names no folder on this machine.
    EXPECT_TRUE(textOf(company(), "NIP").isEmpty());
    prompter.queue(platform::MessageResult::Yes);
    window->close();
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_TRUE(prompter.questions()[0].text.contains(QStringLiteral("D:")));

    const Row row = company();
    for (const auto& [column, value] : typed) {
        if (std::string_view(column) == "ARCHDNI" || std::string_view(column) == "OBRDATA")
            continue;
        EXPECT_EQ(textOf(row, column), QString::fromUtf8(value)) << column;
    }
    EXPECT_EQ(integerOf(row, "ARCHDNI"), 30);
    EXPECT_EQ(textOf(row, "OBRDATA"), QStringLiteral("04.01"));
    EXPECT_EQ(textOf(row, "RP"), QStringLiteral("F"));
    EXPECT_EQ(textOf(row, "ZWOJEWODZTWO"), QStringLiteral("ŚLĄSKIE"));
    EXPECT_TRUE(std::get<bool>(row.at("LOGO")));
}

// A data path that names no folder, or a folder without the program's data while the one in
// use has them, is questioned before it is stored; No keeps the path in use and everything
// else typed.
TEST_F(CompanyWindowTest, ADataPathIsQuestionedBeforeItIsStored) {
    seedCompany({});
    std::filesystem::create_directories(file("pusty"));
    const QString missing = QString::fromStdString(file("odlaczony")) + u'\\';
    const QString empty = QString::fromStdString(file("pusty")) + u'\\';
    struct Case {
        QString path;
        platform::MessageResult answer;
        const char* inQuestion;
        bool stored;
    };
    for (const Case& c : {Case{missing, platform::MessageResult::No, "nie istnieje", false},
                          Case{empty, platform::MessageResult::No, "BAZA\\KADRY", false},
                          Case{empty, platform::MessageResult::Yes, "BAZA\\KADRY", true}}) {
        SCOPED_TRACE(c.path.toStdString());
        openWindow();
        const std::size_t asked = prompter.questions().size();
        for (const auto& [column, text] :
             {std::pair{"DR", c.path}, {"URZAD", QStringLiteral("US Wola")}}) {
            DbEdit* edit = window->edit(QString::fromUtf8(column));
            edit->selectAll();
            type(edit, text);
        }
        prompter.queue(c.answer);
        window->close();
        ASSERT_EQ(prompter.questions().size(), asked + 1);
        EXPECT_EQ(prompter.questions().back().icon, platform::MessageIcon::Warning);
        EXPECT_TRUE(prompter.questions().back().text.contains(QString::fromUtf8(c.inQuestion)))
            << prompter.questions().back().text.toStdString();
        EXPECT_EQ(textOf(company(), "DR"), c.stored ? c.path : QString());
        EXPECT_EQ(textOf(company(), "URZAD"), QStringLiteral("US Wola"));
        window.reset();
        dane.reset();
        seedCompany({});
    }
    // A folder that holds the data is taken without a question.
    openWindow();
    DbEdit* edit = window->edit(QStringLiteral("DR"));
    edit->selectAll();
    type(edit, QString::fromStdString(dir.path()) + u'/');
    window->close();
    EXPECT_TRUE(prompter.questions().size() == 3u);
}

TEST_F(CompanyWindowTest, LogoPageShowsThePictureFromTheWorkingFolderAndItsSize) {
    EXPECT_TRUE(loadLogoPicture().isNull());
    {
        openWindow(loadLogoPicture());
        window->STRONY().setCurrentIndex(5);
        EXPECT_EQ(window->logoSize().text(), QStringLiteral("Wymiar rysuknku :  0 / 0"));
        EXPECT_TRUE(window->logoBox().pixmap().isNull());
        window.reset();
        dane.reset();
    }
    QImage drawn(600, 300, QImage::Format_RGB32);
    drawn.fill(Qt::darkBlue);
    ASSERT_TRUE(drawn.save(QString::fromStdString(file("LOGO.BMP")), "BMP"));
    const QImage logo = loadLogoPicture();
    ASSERT_EQ(logo.size(), QSize(600, 300));

    openWindow(logo);
    window->STRONY().setCurrentIndex(5);
    EXPECT_EQ(window->logoSize().text(), QStringLiteral("Wymiar rysuknku :  600 / 300"));
    EXPECT_EQ(window->logoBox().pixmap().size(), QSize(280, 140));
}

TEST_F(CompanyWindowTest, WithoutTheCompanyTableTheWindowClosesAtOnce) {
    start();
    dane->TFIRMA.close();
    TFIRMAF closed(*dane, {});
    QSignalSpy changed(&closed, &TFIRMAF::payersChanged);
    // Should the window stay open, the test is not left hanging.
    QTimer::singleShot(3000, &closed, &QDialog::reject);
    closed.openModal();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(closed.isVisible());
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(CompanyWindowTest, StatusBarShowsTheHintOfTheControlUnderTheMouse) {
    seedCompany({});
    openWindow();
    QWidget* shortName = window->control(QStringLiteral("SKROT"));
    QStatusTipEvent tip(shortName->statusTip());
    QApplication::sendEvent(shortName, &tip);
    EXPECT_EQ(window->statusBar().currentMessage(),
              QStringLiteral("Nazwa skrócona używana w programie Płatnik"));
}

}  // namespace lumiro::records::test
