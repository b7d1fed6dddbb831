// The print parameters window: its choices land in the parameters row, which is saved however
// the window is closed, and the font panels show and store the printout fonts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "components/data_controls.h"
#include "printouts/print_parameters_window.h"
#include "records/records_fixture.h"

namespace lumiro::printouts {
namespace {

using platform::FontChoice;

class PrintParameters : public records::test::RecordsFixture {
  protected:
    void startWithFonts(std::optional<FontChoice> answer) {
        chooser = std::make_unique<platform::ScriptedFontChooser>(answer);
        data::Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        env.fontChooser = chooser.get();
        dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
        dane->create();
        ASSERT_TRUE(dane->TPARA.isOpen());
    }

    static QAbstractButton* item(QWidget& group, const QString& caption) {
        for (auto* b : group.findChildren<QAbstractButton*>())
            if (b->text() == caption) return b;
        return nullptr;
    }

    std::unique_ptr<platform::ScriptedFontChooser> chooser;
};

TEST_F(PrintParameters, ChoicesAreSavedWhenTheWindowClosesByAnyMeans) {
    startWithFonts(std::nullopt);
    TKAdF6 window(*dane);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Ustawienie parametrów wydruku"));
    EXPECT_EQ(window.RadioGroup1().title(), QStringLiteral("Dokumenty Kp-1 i Rp-7"));
    EXPECT_EQ(window.RadioGroup2().title(), QStringLiteral("Dokumenty RP-7, RP-6, KP-1"));
    // The demonstration data print singly, without the information pages.
    EXPECT_EQ(window.RadioGroup1().checkedItem(), 0);
    EXPECT_EQ(window.RadioGroup2().checkedItem(), 1);
    window.show();
    QApplication::processEvents();

    QAbstractButton* mass = item(window.RadioGroup1(), QStringLiteral("wydruk masowy"));
    QAbstractButton* information = item(window.RadioGroup2(), QStringLiteral("wydruk informacji"));
    ASSERT_NE(mass, nullptr);
    ASSERT_NE(information, nullptr);
    ASSERT_NE(item(window.RadioGroup1(), QStringLiteral("wydruk pojedyńczy")), nullptr);
    ASSERT_NE(item(window.RadioGroup2(), QStringLiteral("bez wydruku informacji")), nullptr);
    // click() rather than a mouse event at the button's centre: the offscreen platform does not
    // promise a laid-out window before the first expose.
    mass->click();
    information->click();
    // Esc closes it; the row is on disk by then.
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    const auto row = rows("KAD").at(0);
    EXPECT_EQ(textOf(row, "P2"), QStringLiteral("1"));
    EXPECT_EQ(row.at("B1"), engine::Value{true});
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(PrintParameters, FontPanelsShowAndStoreTheirSlotsFonts) {
    startWithFonts(FontChoice{QStringLiteral("Liberation Mono"), 9, 0, 1});
    TKAdF6 window(*dane);
    window.show();
    QApplication::processEvents();
    const QFont designed = window.Panel2().label().font();
    QTest::mouseClick(&window.Panel2(), Qt::LeftButton);
    EXPECT_EQ(chooser->shown().size(), 1u);
    EXPECT_EQ(window.Panel2().label().font().family(), QStringLiteral("Liberation Mono"));
    EXPECT_TRUE(window.Panel2().label().font().bold());
    EXPECT_EQ(window.Panel1().label().font().family(), designed.family());
    EXPECT_EQ(window.Panel2().label().text(), QStringLiteral("Zmiana czcionki - wydruk RP7"));
    // The choice is in slot 2 of the font file, for the printouts and the next run.
    FontChoice loaded;
    dane->CzcionkaWydruku(2, loaded, false);
    EXPECT_EQ(loaded.name, QStringLiteral("Liberation Mono"));
    EXPECT_EQ(loaded.size, 9);
    window.close();
    TKAdF6 again(*dane);
    again.show();
    QApplication::processEvents();
    EXPECT_EQ(again.Panel2().label().font().family(), QStringLiteral("Liberation Mono"));
}

}  // namespace
}  // namespace lumiro::printouts
