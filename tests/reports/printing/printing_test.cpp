// Printing through CUPS, as the program prints: a private cupsd with file queues, the
// program's print target, and the job's fate read back from the server and the queue's file.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cups/cups.h>

#include <filesystem>
#include <memory>

#include "cups_server.h"
#include "data/data_module.h"
#include "engine/table.h"
#include "pdf_probe.h"
#include "platform/current_printer.h"
#include "platform/prompter.h"
#include "printouts/preview_window.h"
#include "printouts/print_commands.h"
#include "reports/print_target.h"
#include "reports/report.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"

// Qt's CUPS print device reads each queue's PPD into a libcups cache that nobody frees; the
// leak is in libcups's cache, not in anything the program holds.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_ppdCacheCreateWithPPD\n";
}

namespace lumiro::reports {
namespace {

using test::CupsServer;

const QString kWorking = QStringLiteral("lumiro-ok");
const QString kFailing = QStringLiteral("lumiro-broken");
const QString kRejecting = QStringLiteral("lumiro-rejecting");
const QString kStopped = QStringLiteral("lumiro-stopped");
const QString kBusy = QStringLiteral("lumiro-busy");

CupsServer* server = nullptr;

// Starts the daemon before any test and before anything in this program talks to CUPS, so
// that libcups and Qt's print support take CUPS_SERVER from the start.
class CupsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server = new CupsServer({{kWorking, CupsServer::Queue::Working},
                                 {kFailing, CupsServer::Queue::Failing},
                                 {kRejecting, CupsServer::Queue::Rejecting},
                                 {kStopped, CupsServer::Queue::Stopped},
                                 {kBusy, CupsServer::Queue::Busy}});
        qputenv("CUPS_SERVER", server->socket().toUtf8());
        // A default chosen through the environment would override the server's.
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

struct Job {
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};

std::vector<Job> jobsOf(const QString& printer) {
    cups_job_t* jobs = nullptr;
    const QByteArray name = printer.toUtf8();
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 0, CUPS_WHICHJOBS_ALL);
    std::vector<Job> out;
    for (int i = 0; i < count; ++i)
        if (name == jobs[i].dest) out.push_back(Job{jobs[i].id, jobs[i].state});
    cupsFreeJobs(count, jobs);
    return out;
}

int allJobs() {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(count, jobs);
    return count;
}

// Waits until the newest job of the printer has completed and returns it.
Job completedJob(const QString& printer) {
    QDeadlineTimer deadline(30000);
    Job last;
    while (!deadline.hasExpired()) {
        const auto jobs = jobsOf(printer);
        if (!jobs.empty()) {
            last = jobs.back();
            for (const Job& j : jobs)
                if (j.id > last.id) last = j;
            if (last.state >= IPP_JSTATE_CANCELED) return last;
        }
        QThread::msleep(50);
    }
    return last;
}

QString jobAttribute(int id, const char* name) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QByteArray("ipp://localhost/jobs/") + QByteArray::number(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const QString value =
        attribute ? QString::fromUtf8(ippGetString(attribute, 0, nullptr)) : QString();
    ippDelete(response);
    return value;
}

// Two pages: a title that fills the first, a summary on the second.
Document twoPages(bool duplex) {
    Report report;
    report.page.duplex = duplex;
    Band& title = report.addBand(BandKind::Title, 270);
    title.addLabel({}, QRectF(0, 0, 190, 8), QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU"));
    title.addField({}, QPointF(21.2, 50.3), QStringLiteral("TRP7"), QStringLiteral("POLE1"));
    title.addRule(QPointF(0, 20), QPointF(190, 20));
    Band& summary = report.addBand(BandKind::Summary, 30);
    summary.addLabel({}, QRectF(0, 0, 190, 8), QStringLiteral("Zażółć gęślą jaźń"));
    FixedValues employee{{QStringLiteral("POLE1"), QStringLiteral("Żółkiewski Stanisław")}};
    return report.generate(Sources().add(QStringLiteral("TRP7"), employee));
}

// Through the program's own path: the current printer the settings chose.
TEST(Printing, PagesReachThePrinterWithTheirTextAndTheDuplexRequest) {
    platform::setCurrentPrinter(kWorking);
    const PrintStatus status =
        printouts::CurrentPrinterTarget().print(twoPages(true), QStringLiteral("Rp-7 Żółkiewski"));
    platform::setCurrentPrinter({});
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    const Job job = completedJob(kWorking);
    ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << server->log().toStdString();
    EXPECT_EQ(jobAttribute(job.id, "sides"), QStringLiteral("two-sided-long-edge"));
    EXPECT_EQ(jobAttribute(job.id, "copies").isEmpty() ? 1 : jobAttribute(job.id, "copies").toInt(),
              1);
    EXPECT_EQ(jobAttribute(job.id, "job-name"), QStringLiteral("Rp-7 Żółkiewski"));

    // The raw queue hands over what Qt sent: a PDF of both pages.
    const QString out = server->output(kWorking);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_EQ(test::pdfPageCount(out), 2);
    const QString text = test::readPdfText(out);
    EXPECT_TRUE(text.contains(QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU")));
    EXPECT_TRUE(text.contains(QStringLiteral("Żółkiewski Stanisław")));
    EXPECT_TRUE(text.contains(QStringLiteral("Zażółć gęślą jaźń")));
    // Paper and PDF agree: the field sits where the layout put it.
    const auto pages = test::readPdfWords(out);
    ASSERT_EQ(pages.size(), 2u);
    const auto name = pages[0].find(QStringLiteral("Żółkiewski"));
    ASSERT_EQ(name.size(), 1u);
    EXPECT_NEAR(name[0].leftMm(), 10 + 21.2, 0.5);
    EXPECT_NEAR(name[0].topMm(), 10 + 50.3, 0.5);
}

TEST(Printing, AnEmptyNameMeansTheDefaultPrinterAndOneSidedPagesAskForNoDuplex) {
    const std::size_t before = jobsOf(kWorking).size();
    ASSERT_TRUE(platform::currentPrinter().isEmpty());
    const PrintStatus status =
        printouts::CurrentPrinterTarget().print(twoPages(false), QStringLiteral("Zaświadczenie"));
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    const Job job = completedJob(kWorking);
    EXPECT_EQ(jobsOf(kWorking).size(), before + 1);
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
    EXPECT_EQ(jobAttribute(job.id, "sides"), QStringLiteral("one-sided"));
}

TEST(Printing, AFailedJobIsReportedInsteadOfSuccess) {
    // The device cannot be opened: the server stops the job after taking it.
    PrintStatus status = PrinterTarget(kFailing).print(twoPages(false), QStringLiteral("Rp-7"));
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.message().startsWith(
        QStringLiteral("Wydruk na drukarce „lumiro-broken” nie powiódł się")))
        << status.message().toStdString();

    // The queue refuses jobs: the submission itself fails.
    status = PrinterTarget(kRejecting).print(twoPages(false), QStringLiteral("Rp-7"));
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.message().startsWith(
        QStringLiteral("Drukarka „lumiro-rejecting” nie przyjęła wydruku.")))
        << status.message().toStdString();

    // A stopped printer keeps the job in its queue: nothing is printed.
    status = PrinterTarget(kStopped).print(twoPages(false), QStringLiteral("Rp-7"));
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(
        status.message().startsWith(QStringLiteral("Drukarka „lumiro-stopped” jest zatrzymana")))
        << status.message().toStdString();
}

TEST(Printing, AnUnknownPrinterOrNoPrinterAtAllSendsNothing) {
    const int before = allJobs();
    PrintStatus status =
        PrinterTarget(QStringLiteral("nieznana")).print(twoPages(false), QStringLiteral("Rp-7"));
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(
        status.message(),
        QStringLiteral("Drukarka „nieznana” nie jest zainstalowana. Wydruk nie został wysłany."));
    EXPECT_EQ(allJobs(), before);

    // An empty document is not a job.
    EXPECT_TRUE(PrinterTarget(kWorking).print(Document{}, QStringLiteral("pusty")).ok());
    EXPECT_EQ(allJobs(), before);

    // A machine without any printer: a server that does not answer lists none.
    const QByteArray nowhere = (server->socket() + QStringLiteral(".brak")).toUtf8();
    cupsSetServer(nowhere.constData());
    status = PrinterTarget().print(twoPages(false), QStringLiteral("Rp-7"));
    cupsSetServer(nullptr);  // back to CUPS_SERVER
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(),
              QStringLiteral("Nie zainstalowano żadnej drukarki. Wydruk nie został wysłany."));
    EXPECT_EQ(allJobs(), before);
}

}  // namespace
}  // namespace lumiro::reports

namespace lumiro::printouts {
namespace {

// The certificate as a user prints it: the command over the installation's tables, the
// current printer the settings chose, the sheet read back from the printer's output.
class ProgramPrinting : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(LUMIRO_INSTALL_DATA_DIR, dir.path(),
                              std::filesystem::copy_options::recursive);
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
        values.DataDzis = QStringLiteral("2005.03.10");
        values.RokRoboczy = QStringLiteral("2005");
        data::Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
        dane->create();
        ASSERT_TRUE(dane->TRP7.isOpen());
    }
    void TearDown() override {
        commands.reset();
        dane.reset();
        QDir::setCurrent(previous);
    }

    void printFirstEmployee(reports::PrintTarget& target) {
        PrintServices services;
        services.dane = dane.get();
        services.prompter = &prompter;
        services.target = &target;
        dane->TRP7.first();
        const engine::Bookmark first = dane->TRP7.bookmark();
        services.markedRows = [first] { return std::vector<engine::Bookmark>{first}; };
        commands = std::make_unique<PrintCommands>(services);
        prompter.queue(platform::MessageResult::Yes);  // the count
        prompter.queue(platform::MessageResult::No);   // no reverse side
        commands->WydrukRP71Click();
    }

    test::TempDir dir;
    QString previous;
    platform::ProcessValues values;
    platform::ScriptedPrompter prompter;
    std::unique_ptr<data::Tdane> dane;
    std::unique_ptr<PrintCommands> commands;
};

TEST_F(ProgramPrinting, AnRp7GoesToTheCurrentPrinterAsItIsLaidOut) {
    platform::setCurrentPrinter(reports::kWorking);
    CurrentPrinterTarget printer;
    printFirstEmployee(printer);
    platform::setCurrentPrinter({});
    ASSERT_EQ(prompter.questions().size(), 2u);
    const reports::Job job = reports::completedJob(reports::kWorking);
    ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << reports::server->log().toStdString();
    EXPECT_EQ(reports::jobAttribute(job.id, "job-name"),
              QStringLiteral("Rp-7 str. 1 Kowalska Anna"));
    EXPECT_EQ(reports::jobAttribute(job.id, "sides"), QStringLiteral("two-sided-long-edge"));
    const QString out = reports::server->output(reports::kWorking);
    EXPECT_EQ(test::pdfPageCount(out), 1);
    const QString text = test::readPdfText(out);
    EXPECT_TRUE(text.contains(QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU I WYNAGRODZENIU")));
    EXPECT_TRUE(text.contains(QStringLiteral("54 120,00")));
    const auto pages = test::readPdfWords(out);
    ASSERT_EQ(pages.size(), 1u);
    // The surname first as the card's name (section 1), then in section 2.
    const auto name = pages[0].find(QStringLiteral("Kowalska"));
    ASSERT_EQ(name.size(), 2u);
    EXPECT_NEAR(name[0].leftMm(), 10 + 21.2, 0.5);
    EXPECT_NEAR(name[0].topMm(), 10 + 50.3, 0.5);
}

// A printer busy with a long job takes the others into its queue: a mass run of twenty
// employees goes out in about the time the spooling takes, with the progress window up, and
// does not wait for each job to start printing. A queue that refuses jobs still says so.
TEST_F(ProgramPrinting, AMassRunToABusyPrinterDoesNotWaitForEachJob) {
    std::vector<test::TableRow> more;
    for (int nr = 101; nr <= 116; ++nr)
        more.push_back({{"ZLEC", engine::Value{std::int64_t(1)}},
                        {"NR", engine::Value{std::int64_t(nr)}},
                        {"POLE1", engine::Value{std::string("Pracownik ") + std::to_string(nr)}}});
    test::appendRows(dane->TRP7, more);
    engine::Table& para = dane->TPARA;
    para.edit();
    para.setAsString(para.field("P2"), "1");  // mass printing
    para.post();

    std::vector<engine::Bookmark> marks;
    for (dane->TRP7.first(); !dane->TRP7.eof(); dane->TRP7.next())
        marks.push_back(dane->TRP7.bookmark());
    ASSERT_EQ(marks.size(), 20u);
    std::vector<QString> progress;
    reports::PrinterTarget busy(reports::kBusy);
    PrintServices services;
    services.dane = dane.get();
    services.prompter = &prompter;
    services.target = &busy;
    services.markedRows = [&marks] { return marks; };
    services.progressStart = [&](const QString& title, int maximum) {
        progress.push_back(QStringLiteral("%1 %2").arg(title).arg(maximum));
    };
    services.progressStep = [&] { progress.push_back(QStringLiteral("+")); };
    services.progressStop = [&] { progress.push_back(QStringLiteral("Stop")); };
    commands = std::make_unique<PrintCommands>(services);
    prompter.queue(platform::MessageResult::Yes);  // the count
    prompter.queue(platform::MessageResult::No);   // the reverse sides later
    QElapsedTimer clock;
    clock.start();
    commands->WydrukRP71Click();
    const qint64 elapsed = clock.elapsed();
    ASSERT_EQ(prompter.questions().size(), 2u) << prompter.questions().back().text.toStdString();
    // Twenty jobs in the queue, the first being worked on, the others waiting their turn.
    EXPECT_EQ(reports::jobsOf(reports::kBusy).size(), 20u);
    EXPECT_LT(elapsed, 20 * 3000 / 2) << "ms for 20 jobs";
    ASSERT_EQ(progress.size(), 22u);
    EXPECT_EQ(progress.front(), QStringLiteral("Drukowanie Rp-7 20"));
    EXPECT_EQ(progress.back(), QStringLiteral("Stop"));

    // Refused: the run ends at its first job and tells so, the progress window closed.
    progress.clear();
    reports::PrinterTarget refusing(reports::kRejecting);
    services.target = &refusing;
    commands = std::make_unique<PrintCommands>(services);
    prompter.queue(platform::MessageResult::Yes);
    commands->WydrukRP71Click();
    const auto& q = prompter.questions();
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[3].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(q[3].text.contains(QStringLiteral("nie przyjęła wydruku")))
        << q[3].text.toStdString();
    EXPECT_TRUE(q[3].text.contains(QStringLiteral("Niczego nie wysłano do drukarki.")));
    EXPECT_EQ(progress,
              (std::vector<QString>{QStringLiteral("Drukowanie Rp-7 20"), QStringLiteral("Stop")}));
}

TEST_F(ProgramPrinting, APrinterThatFailsTheJobIsReportedWithWhatWasSent) {
    reports::PrinterTarget broken(reports::kFailing);
    printFirstEmployee(broken);
    const auto& q = prompter.questions();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("nie powiódł się"))) << q[1].text.toStdString();
    EXPECT_TRUE(q[1].text.contains(QStringLiteral("Niczego nie wysłano do drukarki.")));
}

}  // namespace
}  // namespace lumiro::printouts
