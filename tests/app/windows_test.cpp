#include "app/gauge.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "platform/gui/jpeg_loader.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

#include <gtest/gtest.h>

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

TEST(ProgressWindowTest, ReuseStartsAgainFromZeroWithNewTitleAndMaximum) {
    TPRACA window;
    EXPECT_EQ(window.windowTitle(), u"Postęp ..."_s);
    EXPECT_TRUE(window.pasek().font().bold());
    EXPECT_EQ(window.pasek().font().pixelSize(), 16);

    window.Start(u"Archiwizacja"_s, 10);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(window.Etytul().text(), u"Archiwizacja"_s);
    for (int i = 0; i < 3; ++i) window.Postep();
    EXPECT_EQ(window.pasek().progress(), 3);
    EXPECT_EQ(window.pasek().percentDone(), 30);

    window.Stop();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.pasek().progress(), 0);

    window.Start(u"Odtwarzanie"_s, 4);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Etytul().text(), u"Odtwarzanie"_s);
    EXPECT_EQ(window.pasek().minimum(), 0);
    EXPECT_EQ(window.pasek().maximum(), 4);
    EXPECT_EQ(window.pasek().progress(), 0);
    for (int i = 0; i < 6; ++i) window.Postep();
    EXPECT_EQ(window.pasek().progress(), 4);
    EXPECT_EQ(window.pasek().percentDone(), 100);
    window.Stop();
}

TEST(ProgressWindowTest, EmptyOperationShowsZeroPercent) {
    TPRACA window;
    window.Start(u"Eksport"_s, 0);
    window.Postep();
    EXPECT_EQ(window.pasek().percentDone(), 0);
    const QImage picture = window.grab().toImage();
    EXPECT_FALSE(picture.isNull());
    window.Stop();
}

TEST(SplashWindowTest, BarAdvancesUpToItsMaximum) {
    Tzero splash(Tzero::defaultPicture());
    EXPECT_EQ(splash.windowTitle(), u"Dzień dobry"_s);
    EXPECT_FALSE(splash.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(splash.budowa().minimum(), 0);
    EXPECT_EQ(splash.budowa().maximum(), 100);
    splash.showNow();
    EXPECT_TRUE(splash.isVisible());
    for (int expected : {50, 100, 100}) {
        splash.advance(50);
        EXPECT_EQ(splash.budowa().value(), expected);
    }
    const auto labels = splash.findChildren<QLabel*>();
    const auto name = std::find_if(labels.begin(), labels.end(),
                                   [](QLabel* l) { return l->text() == u"LUMIRO"_s; });
    ASSERT_NE(name, labels.end());
    EXPECT_TRUE((*name)->font().bold());
    EXPECT_TRUE((*name)->font().italic());
}

TEST(ArtworkTest, CompiledInPicturesDecode) {
    EXPECT_EQ(Tzero::defaultPicture().size(), QSize(480, 270));
    EXPECT_EQ(platform::loadJpeg(u":/pictures/welcome.jpg"_s).size(), QSize(760, 150));
}

}  // namespace
}  // namespace lumiro::app
