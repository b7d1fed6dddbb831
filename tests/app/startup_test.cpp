#include "app/startup.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "app/welcome_window.h"

#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

bool anyWindowVisible() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); });
}

// Records which long-lived window was created when, and how far the splash bar stood.
class StartupTest : public ::testing::Test {
  protected:
    StartupTest() : clock_(QDate(2026, 12, 31)), startup_({prompter_, clock_, shell_}, {}) {}

    void recordWindows(Startup& startup, std::optional<LongLivedWindow> failing = {}) {
        for (auto window : {LongLivedWindow::Welcome, LongLivedWindow::EmployeeIndex,
                            LongLivedWindow::AttachmentPrintout, LongLivedWindow::PrintModule,
                            LongLivedWindow::Progress}) {
            startup.setWindowFactory(window, [this, window, failing](Startup& s) {
                created_.push_back({window, s.splash() ? s.splash()->budowa().value() : -1});
                if (window == failing) throw std::runtime_error("brak pamięci");
                std::unique_ptr<QWidget> result;
                if (window == LongLivedWindow::Welcome) {
                    result = std::make_unique<TSTART>(s.services().shell);
                } else if (window == LongLivedWindow::Progress) {
                    result = std::make_unique<TPRACA>();
                } else {
                    result = std::make_unique<QWidget>();
                }
                return result;
            });
        }
    }

    struct Created {
        LongLivedWindow window;
        int budowa;
        bool operator==(const Created&) const = default;
    };

    platform::ScriptedPrompter prompter_;
    platform::FixedClock clock_;
    platform::RecordingShellOpener shell_;
    Startup startup_;
    std::vector<Created> created_;
};

TEST_F(StartupTest, StoppedDataModuleEndsWithoutWindows) {
    bool dataModuleRan = false;
    bool loopRan = false;
    Startup startup({prompter_, clock_, shell_}, [&](Startup& s) {
        dataModuleRan = true;
        // The date context and the splash come before the data.
        EXPECT_EQ(s.values().DataDzis, u"2026.12.31"_s);
        EXPECT_EQ(s.values().RokRoboczy, u"2026"_s);
        EXPECT_TRUE(s.splash() && s.splash()->isVisible());
        EXPECT_EQ(s.splash()->budowa().value(), 0);
        s.values().Przerwij = true;
        return std::unique_ptr<data::Tdane>();
    });
    recordWindows(startup);
    startup.setEventLoop([&] {
        loopRan = true;
        return 0;
    });

    EXPECT_EQ(startup.run(), 1);
    EXPECT_TRUE(dataModuleRan);
    EXPECT_FALSE(loopRan);
    EXPECT_TRUE(created_.empty());
    EXPECT_EQ(startup.splash(), nullptr);
    EXPECT_FALSE(anyWindowVisible());
    EXPECT_EQ(startup.applicationTitle(), u"Lumiro 7.0"_s);
}

TEST_F(StartupTest, WindowsComeInOrderThenTheSplashGoesAndTheLoopRuns) {
    data::Tdane* moduleAddress = nullptr;
    Startup startup({prompter_, clock_, shell_}, [&](Startup& s) {
        s.values().SciezkaDanych = u"/srv/lumiro/"_s;
        // Not created: no table is opened, the module only has to be there.
        auto module = std::make_unique<data::Tdane>(s.values(), s.services().prompter,
                                                    data::Tdane::Environment{});
        moduleAddress = module.get();
        return module;
    });
    recordWindows(startup);
    bool loopRan = false;
    startup.setEventLoop([&] {
        loopRan = true;
        EXPECT_EQ(startup.splash(), nullptr);
        EXPECT_TRUE(startup.mainWindow()->isVisible());
        // The welcome screen's caption is the name alone; the message boxes carry the version.
        EXPECT_EQ(startup.mainWindow()->windowTitle(), u"Lumiro"_s);
        EXPECT_FALSE(startup.window(LongLivedWindow::EmployeeIndex)->isVisible());
        EXPECT_FALSE(startup.progressWindow()->isVisible());
        EXPECT_EQ(startup.dataModule(), moduleAddress);
        return 0;
    });

    EXPECT_EQ(startup.run(), 0);
    EXPECT_TRUE(loopRan);
    const std::vector<Created> expected{{LongLivedWindow::Welcome, 50},
                                        {LongLivedWindow::EmployeeIndex, 50},
                                        {LongLivedWindow::AttachmentPrintout, 50},
                                        {LongLivedWindow::PrintModule, 100},
                                        {LongLivedWindow::Progress, 100}};
    EXPECT_EQ(created_, expected);
    EXPECT_EQ(startup.values().SciezkaDanych, u"/srv/lumiro/"_s);
    EXPECT_EQ(startup.helpFile(), u"Lumiro.HLP"_s);
    EXPECT_EQ(prompter_.title(), u"Lumiro 7.0"_s);
    EXPECT_TRUE(prompter_.questions().empty());
}

TEST_F(StartupTest, FailingWindowIsReportedAndTheRestStillCome) {
    Startup startup({prompter_, clock_, shell_}, {});
    recordWindows(startup, LongLivedWindow::EmployeeIndex);
    bool loopRan = false;
    startup.setEventLoop([&] {
        loopRan = true;
        EXPECT_EQ(startup.splash(), nullptr);
        return 0;
    });

    EXPECT_EQ(startup.run(), 0);
    EXPECT_TRUE(loopRan);
    EXPECT_EQ(created_.size(), 5u);
    EXPECT_EQ(startup.window(LongLivedWindow::EmployeeIndex), nullptr);
    ASSERT_NE(startup.progressWindow(), nullptr);
    ASSERT_EQ(prompter_.questions().size(), 1u);
    EXPECT_EQ(prompter_.questions()[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(prompter_.questions()[0].text.contains(u"brak pamięci"_s));
}

TEST_F(StartupTest, WithoutAMainWindowThereIsNoLoop) {
    Startup startup({prompter_, clock_, shell_}, {});
    recordWindows(startup, LongLivedWindow::Welcome);
    bool loopRan = false;
    startup.setEventLoop([&] {
        loopRan = true;
        return 0;
    });
    EXPECT_EQ(startup.run(), 1);
    EXPECT_FALSE(loopRan);
    EXPECT_EQ(startup.splash(), nullptr);
    EXPECT_FALSE(anyWindowVisible());
}

TEST_F(StartupTest, DataModuleThatThrowsIsReportedAndStopsStartUp) {
    Startup startup({prompter_, clock_, shell_}, [](Startup&) -> std::unique_ptr<data::Tdane> {
        throw std::runtime_error("KAD.DB: uszkodzony nagłówek");
    });
    recordWindows(startup);
    EXPECT_EQ(startup.run(), 1);
    EXPECT_TRUE(startup.values().Przerwij);
    EXPECT_TRUE(created_.empty());
    ASSERT_EQ(prompter_.questions().size(), 1u);
    EXPECT_TRUE(prompter_.questions()[0].text.contains(u"KAD.DB"_s));
    EXPECT_FALSE(anyWindowVisible());
}

TEST_F(StartupTest, ClosingTheMainWindowEndsTheLoopEvenWithOtherWindowsOpen) {
    Startup startup({prompter_, clock_, shell_}, {});
    startup.computeDateContext();
    startup.showSplash();
    startup.createDataModule();
    startup.setApplicationIdentity();
    startup.createWindows();
    startup.progressWindow()->Start(u"Eksport"_s, 3);

    bool timedOut = false;
    QTimer::singleShot(0, startup.mainWindow(), [&] { startup.mainWindow()->close(); });
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    EXPECT_EQ(startup.runEventLoop(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(startup.mainWindow()->isVisible());
    startup.progressWindow()->Stop();
}

}  // namespace
}  // namespace lumiro::app
