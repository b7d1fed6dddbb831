// The print module window offscreen: its settings, their store, printing its buffer, and the
// information window printing through it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "app/information_window.h"
#include "data/information_notes.h"
#include "data/table_text.h"
#include "platform/current_printer.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"
#include "textreports/gui/print_module_window.h"
#include "textreports/gui/title_prompt.h"

namespace lumiro::textreports {
namespace {

using namespace Qt::StringLiterals;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A click on the button's indicator: the middle of a wide button may lie beyond its label.
void click(QAbstractButton& button) {
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
}

class PrintModuleWindowTest : public ::testing::Test {
  protected:
    PrintModuleWindowTest()
        : ini_(QString::fromStdString(dir_.file("lumiro.ini"))),
          port_(QString::fromStdString(dir_.file("drukarka.prn"))),
          devices_(QString::fromStdString(dir_.file("dev"))) {
        QDir().mkpath(devices_ + u"/usb"_s);
        QFile usb(devices_ + u"/usb/lp0"_s);
        usb.open(QIODevice::WriteOnly);
        platform::setCurrentPrinter(QString());
    }

    PrintModuleServices services() {
        PrintModuleServices s;
        s.prompter = &prompter_;
        s.openStore = [this] {
            return std::make_unique<platform::SettingsStore>(kSettingsKey, ini_);
        };
        s.companyLabel = [] { return u"FIRMA"_s; };
        s.today = [] { return u"2026.12.31"_s; };
        s.progressStart = [this](const QString&, int) { ++progressStarts_; };
        s.progressStop = [this] { ++progressStops_; };
        s.installedPrinters = [this] { return printers_; };
        s.defaultPrinter = [] { return u"Biuro"_s; };
        s.chooseExportFile = [this] { return std::optional<QString>(port_); };
        s.setUpPrinter = [this](QPrinter&) { return ++setUps_, true; };
        s.deviceRoot = devices_;
        return s;
    }
    std::vector<QString> messages() const {
        std::vector<QString> texts;
        for (const auto& q : prompter_.questions()) texts.push_back(q.text);
        return texts;
    }

    lumiro::test::TempDir dir_;
    QString ini_;
    QString port_;
    QString devices_;
    QStringList printers_{u"Biuro"_s, u"Magazyn"_s};
    platform::ScriptedPrompter prompter_;
    int progressStarts_ = 0;
    int progressStops_ = 0;
    int setUps_ = 0;
};

TEST_F(PrintModuleWindowTest, DestinationButtonsKeepExactlyOneChecked) {
    TDRUK window(services());
    window.show();
    EXPECT_EQ(window.windowTitle(), u"Moduł wydruku"_s);
    EXPECT_FALSE(window.isModal());
    EXPECT_TRUE(window.EWINDOWS().isChecked());
    EXPECT_EQ(window.EDRUKARKA().currentText(), u"Biuro"_s);

    QRadioButton* all[] = {&window.EWINDOWS(), &window.EDOS(), &window.EEXPORT(), &window.BW()};
    auto checked = [&] {
        std::vector<bool> states;
        for (QRadioButton* b : all) states.push_back(b->isChecked());
        return states;
    };
    click(window.BW());
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(window.settings().DRTYP, kExportUncut);
    click(window.EDOS());
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(window.settings().DRTYP, kPort);
    // A click on the checked button leaves it checked.
    click(window.EDOS());
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(window.settings().DRTYP, kPort);
    click(window.EEXPORT());
    EXPECT_EQ(window.settings().DRTYP, kExportCut);
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, true, false}));
    EXPECT_TRUE(window.CheckBox1().isChecked());
    EXPECT_FALSE(window.CheckBox1().isEnabled());

    // The printer chosen is the program's printer from now on.
    window.EDRUKARKA().setCurrentIndex(1);
    EXPECT_EQ(platform::currentPrinter(), u"Magazyn"_s);
    click(window.SpeedButton1());
    EXPECT_EQ(setUps_, 1);
    EXPECT_TRUE(window.pageLayout().has_value());
    EXPECT_TRUE(messages().empty());
}

TEST_F(PrintModuleWindowTest, SettingsSurviveTheStore) {
    {
        TDRUK window(services());
        window.show();
        click(window.EDOS());
        window.EPORT().setCurrentIndex(2);
        window.EURZADZENIE().setEditText(devices_ + u"/usb/lp0"_s);
        click(window.ERD(2));
        click(window.EPL(1));
        window.MARGINESG().selectAll();
        QTest::keyClicks(&window.MARGINESG(), u"5"_s);
        window.MARGINESL().selectAll();
        QTest::keyClicks(&window.MARGINESL(), u"12"_s);
        window.WIERSZY().selectAll();
        QTest::keyClicks(&window.WIERSZY(), u"66"_s);
        click(window.EPodzial());
        click(window.EBUFOR());
        const PrintSettings& s = window.settings();
        EXPECT_EQ(s.DRPORT, 2);
        EXPECT_EQ(s.ports[2], devices_ + u"/usb/lp0"_s);
        EXPECT_EQ(s.DRRODZAJ, 2);
        EXPECT_EQ(s.DRPL, 1);
        EXPECT_EQ(s.DRGORA, 5);
        EXPECT_EQ(s.DRLEWY, 12);
        EXPECT_EQ(s.DRLINIDOS, 66);
        EXPECT_TRUE(s.DRPODZIAL);
        EXPECT_TRUE(s.DRBUFOR);
        click(window.KZAPISZ());
        EXPECT_TRUE(messages().empty());
    }
    QSettings raw(ini_, QSettings::IniFormat);
    raw.beginGroup(u"SOFTWARE/VX/DRUK"_s);
    EXPECT_EQ(raw.value(u"DRTYP"_s).toInt(), 1);
    EXPECT_EQ(raw.value(u"DRPORT"_s).toInt(), 2);
    EXPECT_EQ(raw.value(u"DREKSPORT"_s).toInt(), 0);
    EXPECT_EQ(raw.value(u"DRLINIDOS"_s).toInt(), 66);
    EXPECT_EQ(raw.value(u"LPT3"_s).toString(), devices_ + u"/usb/lp0"_s);

    TDRUK again(services());
    again.show();
    EXPECT_TRUE(again.EDOS().isChecked());
    EXPECT_FALSE(again.EWINDOWS().isChecked());
    EXPECT_EQ(again.EPORT().currentText(), u"LPT3"_s);
    EXPECT_EQ(again.EURZADZENIE().currentText(), devices_ + u"/usb/lp0"_s);
    EXPECT_TRUE(again.deviceHint().text().isEmpty());
    EXPECT_TRUE(again.ERD(2).isChecked());
    EXPECT_TRUE(again.EPL(1).isChecked());
    EXPECT_EQ(again.MARGINESG().text(), u"5"_s);
    EXPECT_EQ(again.MARGINESL().text(), u"12"_s);
    EXPECT_EQ(again.WIERSZY().text(), u"66"_s);
    EXPECT_TRUE(again.EPodzial().isChecked());
    EXPECT_TRUE(again.EBUFOR().isChecked());
    // The port device of another port is its own; the USB printer found is offered.
    again.EPORT().setCurrentIndex(0);
    EXPECT_EQ(again.EURZADZENIE().currentText(), u"/dev/lp0"_s);
    EXPECT_TRUE(again.deviceHint().text().contains(devices_ + u"/usb/lp0"_s));
}

TEST_F(PrintModuleWindowTest, ClearedPageLengthIsZeroUntilTheNextStart) {
    {
        TDRUK window(services());
        window.show();
        window.WIERSZY().clear();
        EXPECT_EQ(window.settings().DRLINIDOS, 0);
        window.MARGINESL().setText(u" 7"_s);
        EXPECT_EQ(window.settings().DRLEWY, 7);
        click(window.KZAPISZ());
    }
    EXPECT_EQ(QSettings(ini_, QSettings::IniFormat).value(u"SOFTWARE/VX/DRUK/DRLINIDOS"_s).toInt(),
              0);
    TDRUK again(services());
    EXPECT_EQ(again.settings().DRLINIDOS, 70);
    EXPECT_EQ(again.WIERSZY().text(), u"70"_s);
}

TEST_F(PrintModuleWindowTest, NoPrinterIsToldButTheSettingsAreStillRead) {
    {
        platform::SettingsStore store(kSettingsKey, ini_);
        store.setValue(u"DRTYP"_s, 1);
        store.setValue(u"DRLEWY"_s, 9);
        ASSERT_TRUE(store.sync());
    }
    printers_.clear();
    TDRUK window(services());
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], u"Uwaga nie posiadasz zainstalowanej drukarki !!"_s);
    EXPECT_EQ(prompter_.questions()[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(window.settings().DRTYP, kPort);
    EXPECT_EQ(window.settings().DRLEWY, 9);
    EXPECT_EQ(window.settings().DRLINIDOS, 70);
    EXPECT_EQ(window.EDRUKARKA().count(), 0);

    // Runs without a screen are not warned.
    PrintModuleServices quiet = services();
    quiet.warnWithoutPrinter = false;
    TDRUK headless(std::move(quiet));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(headless.settings().DRTYP, kPort);
}

TEST_F(PrintModuleWindowTest, AFailedStoreIsReported) {
    QFile blocker(QString::fromStdString(dir_.file("plik")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ini_ = QString::fromStdString(dir_.file("plik/lumiro.ini"));
    TDRUK window(services());
    click(window.KZAPISZ());
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_TRUE(messages()[0].startsWith(u"Nie udało się zapisać ustawień wydruku."_s));
    EXPECT_EQ(prompter_.questions()[0].icon, platform::MessageIcon::Error);
}

// A buffered printout without the immediate request ends in the window, not modally, where
// the user may correct it; "DRUKUJ" prints the selection, or everything.
TEST_F(PrintModuleWindowTest, BufferedPrintoutIsShownCorrectedAndPrinted) {
    TDRUK window(services());
    window.settings().DRTYP = kExportUncut;
    window.settings().DRPL = 3;
    ASSERT_TRUE(window.OtworzWydruk(u"Lista"_s, false, 2, 0, false));
    window.DrukujLinie(u"&Gpierwszy"_s);
    window.DrukujLinie(u"drugi"_s);
    EXPECT_FALSE(window.isVisible());
    window.ZamknijWydruk(true);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(QApplication::activeModalWidget());
    EXPECT_EQ(window.EDRUK().toPlainText(),
              u"&Gpierwszy\ndrugi\n&GBertwald - Koniec wydruku: Lista\n"_s);
    EXPECT_EQ(window.EDRUK().lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(window.EDRUK().font().fixedPitch());
    EXPECT_FALSE(window.EDRUK().isReadOnly());
    EXPECT_EQ(progressStarts_, progressStops_);

    // The user corrects the second line and prints all of it.
    QTextCursor cursor = window.EDRUK().textCursor();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(u"poprawiony"_s);
    click(window.KDRUK());
    EXPECT_EQ(readAll(port_),
              QByteArray("pierwszy\r\npoprawiony\r\nBertwald - Koniec wydruku: Lista\r\n"));

    // Only the selected lines; the selection is cleared afterwards and the text stays.
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    window.EDRUK().setTextCursor(cursor);
    click(window.KDRUK());
    EXPECT_EQ(readAll(port_), QByteArray("pierwszy\r\n"));
    EXPECT_FALSE(window.EDRUK().textCursor().hasSelection());
    EXPECT_TRUE(window.EDRUK().toPlainText().startsWith(u"&Gpierwszy\npoprawiony\n"_s));
    EXPECT_EQ(progressStarts_, progressStops_);
    EXPECT_TRUE(messages().empty());

    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(window.grab().save(folder + u"/modul_wydruku.png"_s));
    }
}

TEST_F(PrintModuleWindowTest, TitlePromptNamesThePrintout) {
    TDRUK window(services());
    QString shownWith;
    QTimer::singleShot(0, [&] {
        auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(prompt);
        auto* title = static_cast<TDRUKTYT*>(prompt);
        EXPECT_EQ(prompt->windowTitle(), u"Nazwa wydruku"_s);
        shownWith = title->Etytul().text();
        title->Etytul().setText(u"Lista płac 2026"_s);
        click(title->OK());
    });
    ASSERT_TRUE(window.OtworzWydruk(u"Lista"_s, true, 0, 0, false));
    EXPECT_EQ(shownWith, u"Lista"_s);
    EXPECT_EQ(window.engine().NazwaWydruku(), u"Lista płac 2026"_s);
    window.ZamknijWydruk(false);
}

// The window is shown from within modal windows (the index window, a printout started from a
// note): it takes the user's clicks there all the same.
TEST_F(PrintModuleWindowTest, WindowShownFromAModalWindowTakesInput) {
    TDRUK module(services());
    QDialog modal;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        module.openWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&module));
        QWindow* window = module.windowHandle();
        const QPoint at = module.BW().mapTo(&module, QPoint(6, module.BW().height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        clicked = module.BW().isChecked();
        modal.reject();
    });
    modal.exec();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(module.settings().DRTYP, kExportUncut);
}

// "Drukuj" of the information window, with LPT1 mapped to a file in the window: the note on
// show reaches the file, every line of it.
TEST_F(PrintModuleWindowTest, InformationNotePrintsToThePortFile) {
    TDRUK module(services());
    module.openWindow();
    click(module.EDOS());
    module.EPORT().setCurrentIndex(0);
    module.EURZADZENIE().setEditText(port_);
    click(module.EPL(3));
    module.close();

    app::TKadF1 information;
    EXPECT_FALSE(information.Drukuj().isEnabled());
    information.setPrintHandler([&module](const QStringList& lines) { module.printNote(lines); });
    EXPECT_TRUE(information.Drukuj().isEnabled());
    information.showNote(data::InformationNote::Kp1);
    information.showNote(data::InformationNote::Rp6);
    information.show();
    click(information.Drukuj());

    QByteArray expected;
    const QStringList lines = data::informationNoteLines(data::InformationNote::Rp6);
    for (const QString& line : lines)
        expected +=
            QByteArray("\x14\x12\x0F") + QByteArray::fromStdString(data::toTable(line)) + "\r\n";
    EXPECT_EQ(readAll(port_), expected);
    EXPECT_EQ(lines.size(), 113);
    EXPECT_FALSE(module.isVisible()) << "printed at once, not shown";
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(progressStarts_, progressStops_);
    information.hide();
}

}  // namespace
}  // namespace lumiro::textreports
