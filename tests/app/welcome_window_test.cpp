#include "app/welcome_window.h"
#include "app/link_label.h"
#include "app/local_documents.h"
#include "app/startup.h"
#include "platform/shell_open.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <optional>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

const QString kResources = QStringLiteral(LUMIRO_RESOURCES_DIR);

// Runs a test body with another current folder, the program's working folder.
class CurrentFolder {
  public:
    explicit CurrentFolder(const QString& path) : previous_(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~CurrentFolder() { QDir::setCurrent(previous_); }

  private:
    QString previous_;
};

void leftClick(QWidget& widget) {
    const QPointF inside(widget.width() / 2.0, widget.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, inside, widget.mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, widget.mapToGlobal(inside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QCoreApplication::sendEvent(&widget, &release);
}

class WelcomeWindowTest : public ::testing::Test {
  protected:
    WelcomeWindowTest() : window_(shell_) {
        window_.setContactVariantSource([this] { return l3_; });
    }
    ~WelcomeWindowTest() override { window_.hide(); }

    void showAgain() {
        window_.hide();
        window_.show();
    }

    platform::RecordingShellOpener shell_;
    std::optional<int> l3_;
    TSTART window_;
};

TEST_F(WelcomeWindowTest, ContactVariantFollowsL3EachTimeTheScreenIsShown) {
    struct Case {
        std::optional<int> l3;
        QString line;
        int left;
        QString web;
        std::optional<QUrl> webTarget;
        bool emailVisible;
    };
    const QString publisherLine = u"Wydawnictwo Przykładowe Kadry sp. z o.o., "_s;
    const std::vector<Case> cases{
        {1, publisherLine, 24, u"https://kadry.example.pl"_s, QUrl(u"https://kadry.example.pl"_s),
         true},
        {0, u">VX< Bertwald"_s, 174, u"Zamówienia : WWW"_s,
         QUrl(u"https://lumiro.example.pl/zamowienia"_s), false},
        {7, publisherLine, 24, u"https://kadry.example.pl"_s, std::nullopt, true},
        {-1, publisherLine, 24, u"https://kadry.example.pl"_s, std::nullopt, true},
        {std::nullopt, publisherLine, 24, u"https://kadry.example.pl"_s, std::nullopt, true},
        // Back to the publisher after the maker: nothing of the previous variant stays.
        {1, publisherLine, 24, u"https://kadry.example.pl"_s, QUrl(u"https://kadry.example.pl"_s),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.l3 ? *c.l3 : -999);
        l3_ = c.l3;
        showAgain();
        EXPECT_TRUE(window_.Label2().text().startsWith(c.line))
            << window_.Label2().text().toStdString();
        EXPECT_EQ(window_.contactLineLeft(), c.left);
        EXPECT_EQ(window_.Label4().text(), c.web);
        EXPECT_EQ(window_.Label5().isVisible(), c.emailVisible);
        EXPECT_TRUE(window_.Label4().font().underline());
        EXPECT_EQ(window_.Label4().cursor().shape(), Qt::PointingHandCursor);

        const std::size_t before = shell_.opened().size();
        leftClick(window_.Label4());
        if (c.webTarget) {
            ASSERT_EQ(shell_.opened().size(), before + 1);
            EXPECT_EQ(shell_.opened().back(), *c.webTarget);
        } else {
            EXPECT_EQ(shell_.opened().size(), before);
        }
        EXPECT_EQ(window_.Label4().cursor().shape(), Qt::PointingHandCursor);
    }
}

TEST_F(WelcomeWindowTest, EmailLinkOpensTheMailProgramForThePublisher) {
    l3_ = 1;
    window_.show();
    EXPECT_EQ(window_.Label5().text(), u"zamowienia@kadry.example.pl"_s);
    leftClick(window_.Label5());
    ASSERT_EQ(shell_.opened().size(), 1u);
    EXPECT_EQ(shell_.opened()[0], QUrl(u"mailto:zamowienia@kadry.example.pl"_s));
    EXPECT_EQ(window_.palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xCC));
    EXPECT_EQ(window_.windowTitle(), u"Lumiro"_s);
}

TEST_F(WelcomeWindowTest, GuideButtonsOpenTheirDocumentsUnderTheWorkingFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CurrentFolder current(folder.path());
    const std::vector<std::pair<QToolButton*, QString>> buttons{
        {&window_.Image2(), u"LUMIRO/prawo/prawo spis.htm"_s},
        {&window_.Image3(), u"LUMIRO/ustalanie/ustal spis.htm"_s},
        {&window_.Image4(), u"LUMIRO/dokumentacja/dokum spis.htm"_s},
        {&window_.Image5(), u"LUMIRO/zakł pracy/zakł spis.htm"_s},
        {&window_.Image6(), u"LUMIRO/zasady/zasady spis.htm"_s},
        {&window_.Image7(), u"LUMIRO/przykłady/przykłady spis.htm"_s},
    };
    // A missing document still goes to the desktop, which reports it in its own way.
    for (const auto& [button, path] : buttons) button->click();
    ASSERT_EQ(shell_.opened().size(), buttons.size());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(shell_.opened()[i],
                  QUrl::fromLocalFile(folder.path() + u'/' + buttons[i].second));
        EXPECT_EQ(buttons[i].first->cursor().shape(), Qt::PointingHandCursor);
    }
}

TEST_F(WelcomeWindowTest, GuideDocumentIsFoundWhateverTheCaseOfItsFolderName) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkpath(u"lumiro/Zakł Pracy"_s));
    const QString stored = folder.path() + u"/lumiro/Zakł Pracy/ZAKŁ SPIS.HTM"_s;
    QFile file(stored);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CurrentFolder current(folder.path());
    window_.Image5().click();
    ASSERT_EQ(shell_.opened().size(), 1u);
    EXPECT_EQ(shell_.opened()[0], QUrl::fromLocalFile(stored));
}

TEST_F(WelcomeWindowTest, EmployeeIndexButtonIsClosedUntilSomethingOpensTheIndex) {
    EXPECT_FALSE(window_.Image8().isEnabled());
    EXPECT_TRUE(window_.Image8().toolTip().contains(u"nie jest jeszcze dostępny"_s));

    int opened = 0;
    window_.setEmployeeIndexOpener([&] { ++opened; });
    EXPECT_TRUE(window_.Image8().isEnabled());
    window_.Image8().click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(window_.Image8().cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(shell_.opened().empty());

    window_.setEmployeeIndexOpener({});
    EXPECT_FALSE(window_.Image8().isEnabled());
}

TEST(GuideDocumentsTest, EveryDocumentIsShippedAndItsLocalLinksLeadSomewhere) {
    const QString documents[] = {
        QString::fromUtf16(guide::kLaw),           QString::fromUtf16(guide::kEstablishing),
        QString::fromUtf16(guide::kDocumentation), QString::fromUtf16(guide::kWorkplace),
        QString::fromUtf16(guide::kRules),         QString::fromUtf16(guide::kExamples),
        QString::fromUtf16(kHelpDocument),
    };
    const QRegularExpression link(u"(?:href|src)=\"([^\"]+)\""_s);
    for (const QString& document : documents) {
        SCOPED_TRACE(document.toStdString());
        QFile file(kResources + u'/' + document);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(html.contains(u"<meta charset=\"utf-8\">"_s));
        EXPECT_TRUE(html.contains(u"lang=\"pl\""_s));
        const QDir base = QFileInfo(file.fileName()).dir();
        for (auto match = link.globalMatch(html); match.hasNext();) {
            const QString target = match.next().captured(1);
            if (target.startsWith(u'#') || target.contains(u':')) continue;
            const QString path = QUrl::fromPercentEncoding(target.section(u'#', 0, 0).toUtf8());
            EXPECT_TRUE(QFileInfo::exists(base.filePath(path))) << target.toStdString();
        }
    }
}

TEST(GuideDocumentsTest, HelpOpensAtItsContentsTopic) {
    QFile file(kResources + u'/' + QString::fromUtf16(kHelpDocument));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    // Topic 1 is what the help command opens; 3 and 4 are the context topics of the
    // navigator and the name search.
    for (const char16_t* topic : {u"id1", u"id3", u"id4"}) {
        EXPECT_TRUE(html.contains(u"id=\""_s + QString::fromUtf16(topic) + u'"'));
    }
    QTemporaryDir folder;
    CurrentFolder current(folder.path());
    const QUrl url = helpTopicUrl();
    EXPECT_EQ(url.fragment(), u"id1"_s);
    EXPECT_EQ(url.toLocalFile(), folder.path() + u"/help/lumiro_pomoc.html"_s);

    // A help context number opens its own topic; none (0) the first one.
    platform::ScriptedPrompter prompter;
    platform::RecordingShellOpener shell;
    EXPECT_FALSE(openHelp(shell, prompter, 4));  // no help document in this folder
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(prompter.questions()[0].text.startsWith(u"Brak pliku pomocy "_s));
    EXPECT_TRUE(shell.opened().empty());

    ASSERT_TRUE(QDir(folder.path()).mkpath(u"help"_s));
    ASSERT_TRUE(QFile::copy(file.fileName(), folder.path() + u"/help/lumiro_pomoc.html"_s));
    for (int context : {4, 3, 1, 0, -2}) EXPECT_TRUE(openHelp(shell, prompter, context));
    QStringList topics;
    for (const QUrl& opened : shell.opened()) {
        EXPECT_EQ(opened.toLocalFile(), url.toLocalFile());
        topics << opened.fragment();
    }
    EXPECT_EQ(topics, (QStringList{u"id4"_s, u"id3"_s, u"id1"_s, u"id1"_s, u"id1"_s}));
    EXPECT_EQ(prompter.questions().size(), 1u);
    // Nothing to open it with: said so, not passed over.
    platform::RecordingShellOpener failing(false);
    EXPECT_FALSE(openHelp(failing, prompter, 3));
    ASSERT_EQ(prompter.questions().size(), 2u);
    EXPECT_TRUE(prompter.questions()[1].text.startsWith(u"Nie można otworzyć pomocy "_s));
}

// The welcome screen built by start-up, with the employee index behind its button.
class WelcomeStartupTest : public ::testing::Test {
  protected:
    WelcomeStartupTest() : startup_({prompter_, clock_, shell_}, {}) {}

    void build() {
        startup_.setApplicationIdentity();
        startup_.createWindows();
    }
    TSTART& welcome() { return *static_cast<TSTART*>(startup_.mainWindow()); }

    platform::ScriptedPrompter prompter_;
    platform::FixedClock clock_{QDate(2026, 12, 31)};
    platform::RecordingShellOpener shell_;
    Startup startup_;
};

TEST_F(WelcomeStartupTest, WithoutAnEmployeeIndexTheButtonStaysDisabled) {
    startup_.setContactVariantSource([] { return 0; });
    build();
    EXPECT_FALSE(welcome().Image8().isEnabled());
    EXPECT_FALSE(startup_.openEmployeeIndex());
    welcome().show();
    EXPECT_EQ(welcome().Label4().text(), u"Zamówienia : WWW"_s);
    welcome().hide();
}

TEST_F(WelcomeStartupTest, ButtonShowsTheEmployeeIndexModallyAndReturnsWhenItCloses) {
    int created = 0;
    startup_.setWindowFactory(LongLivedWindow::EmployeeIndex, [&](Startup&) {
        // The first creation, at start, fails; the button tries again.
        if (++created == 1) throw std::runtime_error("brak pamięci");
        return std::make_unique<QWidget>();
    });
    build();
    ASSERT_EQ(startup_.window(LongLivedWindow::EmployeeIndex), nullptr);
    ASSERT_TRUE(welcome().Image8().isEnabled());

    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        QWidget* index = startup_.window(LongLivedWindow::EmployeeIndex);
        ASSERT_NE(index, nullptr);
        wasModal = index->isVisible() && index->isModal();
        index->close();
    });
    welcome().Image8().click();
    EXPECT_EQ(created, 2);
    EXPECT_TRUE(wasModal);
    QWidget* index = startup_.window(LongLivedWindow::EmployeeIndex);
    ASSERT_NE(index, nullptr);
    EXPECT_FALSE(index->isVisible());
    EXPECT_FALSE(index->isModal());

    // A second opening shows the same window again.
    QTimer::singleShot(0, [index] { index->hide(); });
    EXPECT_TRUE(startup_.openEmployeeIndex());
    EXPECT_EQ(created, 2);
}

}  // namespace
}  // namespace lumiro::app
