// The print module as the program wires it: made at start from the stored settings, opened
// from "Parametry/Moduł wydruku" of the index window, and printing a note from "Drukuj".
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>

#include "app/information_window.h"
#include "app/startup.h"
#include "app/text_report_commands.h"
#include "data/information_notes.h"
#include "platform/clock.h"
#include "platform/shell_open.h"
#include "records/records_fixture.h"
#include "textreports/gui/print_module_window.h"

namespace lumiro::textreports {
namespace {

using namespace Qt::StringLiterals;

QAction* menuAction(QMenuBar* bar, const QString& menu, const QString& item) {
    for (QAction* top : bar->actions()) {
        if (top->text() != menu || !top->menu()) continue;
        for (QAction* action : top->menu()->actions())
            if (action->text() == item) return action;
    }
    return nullptr;
}

class ProgramWiringTest : public records::test::IndexWindowFixture {
  protected:
    void SetUp() override {
        IndexWindowFixture::SetUp();
        // The system's own store of the settings, in the test's folder.
        previousConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.file("config")));
    }
    void TearDown() override {
        window.reset();
        startup_.reset();
        qputenv("XDG_CONFIG_HOME", previousConfig_);
        IndexWindowFixture::TearDown();
    }

    QByteArray previousConfig_;
    platform::RecordingShellOpener shell_{false};
    std::unique_ptr<app::Startup> startup_;
};

TEST_F(ProgramWiringTest, NoteFromTheMenuPrintsToTheStoredPortAndTheModuleOpensFromParametry) {
    const QString port = QString::fromStdString(dir.file("lpt2.prn"));
    {
        QSettings ini(QString::fromStdString(dir.file("config/lumiro/lumiro.ini")),
                      QSettings::IniFormat);
        ini.beginGroup(u"SOFTWARE/VX/DRUK"_s);
        ini.setValue(u"DRTYP"_s, 1);
        ini.setValue(u"DRPORT"_s, 1);
        ini.setValue(u"DRPL"_s, 0);
        ini.setValue(u"DRBUFOR"_s, 1);  // a note is printed all the same
        ini.setValue(u"LPT2"_s, port);
    }
    start();
    startup_ = std::make_unique<app::Startup>(
        app::Startup::Services{prompter, platform::Clock::system(), shell_}, nullptr);
    app::addTextReports(*startup_);
    startup_->createWindows();
    auto* module = qobject_cast<TDRUK*>(startup_->window(app::LongLivedWindow::PrintModule));
    ASSERT_TRUE(module);
    EXPECT_EQ(module->settings().DRTYP, kPort);
    EXPECT_EQ(module->settings().ports[1], port);

    showWindow();
    records::EmployeeIndexServices services;
    records::TKadF* owner = window.get();
    services.openNote = [owner](data::InformationNote note) {
        auto* information = owner->findChild<app::TKadF1*>();
        if (!information) information = new app::TKadF1(owner);
        information->openNote(note);
    };
    app::addTextReportCommands(*owner, *startup_, services);
    owner->setServices(std::move(services));

    QAction* rp7 = menuAction(owner->menuBar(), u"Informacja"_s, u"Rp-7"_s);
    ASSERT_TRUE(rp7);
    bool enabled = false;
    QTimer::singleShot(0, [&] {
        auto* information = qobject_cast<app::TKadF1*>(QApplication::activeModalWidget());
        ASSERT_TRUE(information);
        enabled = information->Drukuj().isEnabled();
        information->Drukuj().click();
        information->reject();
    });
    rp7->trigger();
    EXPECT_TRUE(enabled);

    QFile printed(port);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    const QByteArray bytes = printed.readAll();
    const QStringList lines = data::informationNoteLines(data::InformationNote::Rp7);
    EXPECT_EQ(bytes.count("\r\n"), lines.size());
    EXPECT_TRUE(bytes.startsWith("\x14\x12\x0F"));
    // Plain letters: nothing above ASCII reaches the printer.
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_FALSE(module->isVisible());

    QAction* settings = menuAction(owner->menuBar(), u"Parametry"_s, u"Moduł wydruku"_s);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->isEnabled());
    settings->trigger();
    EXPECT_TRUE(module->isVisible());
    EXPECT_FALSE(module->isModal());
    EXPECT_TRUE(module->EDOS().isChecked());
    EXPECT_EQ(module->EPORT().currentText(), u"LPT2"_s);
    EXPECT_TRUE(prompter.questions().empty());
    module->close();
}

}  // namespace
}  // namespace lumiro::textreports
