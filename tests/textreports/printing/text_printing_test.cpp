// Text printouts on the system printer through CUPS: a private cupsd with file queues, the
// print module's own printer path, and what reached the queue read back.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cups/cups.h>

#include "cups_server.h"
#include "pdf_probe.h"
#include "platform/current_printer.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"
#include "textreports/gui/print_module_window.h"

// Qt's CUPS print device reads each queue's PPD into a libcups cache that nobody frees.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_ppdCacheCreateWithPPD\n";
}

namespace lumiro::textreports {
namespace {

using namespace Qt::StringLiterals;
using test::CupsServer;

const QString kWorking = u"lumiro-text"_s;
const QString kFailing = u"lumiro-text-broken"_s;

CupsServer* server = nullptr;

// Before anything in this program talks to CUPS, so that it takes CUPS_SERVER from the start.
class CupsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server = new CupsServer(
            {{kWorking, CupsServer::Queue::Working}, {kFailing, CupsServer::Queue::Failing}});
        qputenv("CUPS_SERVER", server->socket().toUtf8());
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        ASSERT_TRUE(server->start()) << server->error().toStdString();
    }
    void TearDown() override {
        delete server;
        server = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

// The newest job of the printer once it has ended.
ipp_jstate_t lastJobState(const QString& printer, QString* title = nullptr) {
    QDeadlineTimer deadline(30000);
    const QByteArray name = printer.toUtf8();
    while (!deadline.hasExpired()) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 0,
                                       CUPS_WHICHJOBS_ALL);
        int newest = -1;
        for (int i = 0; i < count; ++i)
            if (newest < 0 || jobs[i].id > jobs[newest].id) newest = i;
        ipp_jstate_t state = newest >= 0 ? jobs[newest].state : IPP_JSTATE_PENDING;
        if (newest >= 0 && title) *title = QString::fromUtf8(jobs[newest].title);
        cupsFreeJobs(count, jobs);
        if (state >= IPP_JSTATE_CANCELED) return state;
        QThread::msleep(50);
    }
    return IPP_JSTATE_PENDING;
}

class TextPrintingTest : public ::testing::Test {
  protected:
    PrintModuleServices services() {
        PrintModuleServices s;
        s.prompter = &prompter_;
        s.openStore = [this] {
            return std::make_unique<platform::SettingsStore>(kSettingsKey,
                                                             QString::fromStdString(dir_.file("ini")));
        };
        s.companyLabel = [] { return u"Sokół Sp. z o.o."_s; };
        s.today = [] { return u"2026.12.31"_s; };
        return s;
    }
    ~TextPrintingTest() override { platform::setCurrentPrinter({}); }

    lumiro::test::TempDir dir_;
    platform::ScriptedPrompter prompter_;
};

TEST_F(TextPrintingTest, APrintoutReachesThePrinterWithItsHeadingPagesAndPolishLetters) {
    // The server's default printer is the one shown, and the one printed on.
    TDRUK module(services());
    ASSERT_EQ(module.EDRUKARKA().currentText(), kWorking);
    module.settings().DRTYP = kWindowsPrinter;

    ASSERT_TRUE(module.OtworzWydruk(u"Lista płac"_s, false, 2, 0, true));
    module.DrukujLinie(u"&NZażółć gęślą jaźń"_s);
    module.DrukujLinie(u"&W"_s);
    module.DrukujLinie(u"Druga strona"_s);
    module.setNatychmiast(true);
    module.ZamknijWydruk(true);
    EXPECT_TRUE(prompter_.questions().empty()) << prompter_.questions()[0].text.toStdString();

    QString title;
    ASSERT_EQ(lastJobState(kWorking, &title), IPP_JSTATE_COMPLETED) << server->log().toStdString();
    EXPECT_EQ(title, u"Lista płac"_s);
    const QString out = server->output(kWorking);
    EXPECT_EQ(test::pdfPageCount(out), 2);
    const QString text = test::readPdfText(out);
    EXPECT_TRUE(text.contains(u"Sokół Sp. z o.o."_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Wydruk : Lista płac"_s));
    EXPECT_TRUE(text.contains(u"Zażółć gęślą jaźń"_s));
    EXPECT_TRUE(text.contains(u"Bertwald - Koniec wydruku: Lista płac"_s));

    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    if (!folder.isEmpty()) QFile::copy(out, folder + u"/tekst_na_drukarce.pdf"_s);
}

// A job the printer fails is reported, not taken for printed.
TEST_F(TextPrintingTest, AFailedJobIsReported) {
    TDRUK module(services());
    module.EDRUKARKA().setCurrentIndex(module.EDRUKARKA().findText(kFailing));
    ASSERT_EQ(platform::currentPrinter(), kFailing);
    module.settings().DRTYP = kWindowsPrinter;
    module.printNote({u"INFORMACJA"_s, u"treść"_s});
    ASSERT_EQ(prompter_.questions().size(), 1u);
    EXPECT_EQ(prompter_.questions()[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(prompter_.questions()[0].text.contains(kFailing))
        << prompter_.questions()[0].text.toStdString();
}

}  // namespace
}  // namespace lumiro::textreports
