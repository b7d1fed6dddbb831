#include "reports/cups_jobs.h"

#include <QThread>

#ifdef LUMIRO_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace lumiro::reports::cups {

#ifdef LUMIRO_HAVE_CUPS

namespace {

// Only the jobs of this user: on a shared printer another user's job, sent meanwhile, must
// not be taken for ours.
constexpr int kOwnJobs = 1;

struct JobState {
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};

// The newest job above `after` on the printer, if the server lists one.
std::optional<JobState> newestJob(const QByteArray& printer, int after) {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.constData(), kOwnJobs, CUPS_WHICHJOBS_ALL);
    std::optional<JobState> found;
    for (int i = 0; i < count; ++i) {
        if (jobs[i].id <= after || printer != jobs[i].dest) continue;
        if (!found || jobs[i].id > found->id) found = JobState{jobs[i].id, jobs[i].state};
    }
    cupsFreeJobs(count, jobs);
    return found;
}

// The printer's state and its message, as the server reports them.
struct PrinterState {
    bool stopped = false;
    QString message;
};

// Whether any job of any user waits or prints on the printer ahead of job `id`.
bool jobsAhead(const QByteArray& printer, int id) {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    bool ahead = false;
    for (int i = 0; i < count && !ahead; ++i)
        ahead = jobs[i].id < id && printer == jobs[i].dest &&
                (jobs[i].state == IPP_JSTATE_PENDING || jobs[i].state == IPP_JSTATE_PROCESSING);
    cupsFreeJobs(count, jobs);
    return ahead;
}

PrinterState printerState(const QByteArray& printer) {
    PrinterState result;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.constData(), nullptr);
    if (!dest) return result;
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    result.stopped = state && QByteArray(state).toInt() == IPP_PSTATE_STOPPED;
    const char* message = cupsGetOption("printer-state-message", dest->num_options, dest->options);
    if (message) result.message = QString::fromUtf8(message);
    cupsFreeDests(1, dest);
    return result;
}

QString withDetail(QString text, const QString& detail) {
    if (!detail.trimmed().isEmpty()) text += QStringLiteral(" (%1)").arg(detail.trimmed());
    return text;
}

}  // namespace

bool available() {
    return true;
}

std::optional<int> lastJob(const QString& printer) {
    const QByteArray name = printer.toUtf8();
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), kOwnJobs, CUPS_WHICHJOBS_ALL);
    if (count < 0) return std::nullopt;
    int last = 0;
    for (int i = 0; i < count; ++i)
        if (name == jobs[i].dest && jobs[i].id > last) last = jobs[i].id;
    cupsFreeJobs(count, jobs);
    return last;
}

std::optional<QString> checkSubmitted(const QString& printer, std::optional<int> jobBefore,
                                      std::chrono::milliseconds settle) {
    // First, before any other call of ours replaces it: the result of Qt's submission.
    const ipp_status_t status = cupsLastError();
    const QString statusText = QString::fromUtf8(cupsLastErrorString());
    if (status > IPP_STATUS_OK_EVENTS_COMPLETE)
        return withDetail(QStringLiteral("Drukarka „%1” nie przyjęła wydruku.").arg(printer),
                          statusText);
    if (!jobBefore) return std::nullopt;

    const QByteArray name = printer.toUtf8();
    const auto deadline = std::chrono::steady_clock::now() + settle;
    for (;;) {
        const std::optional<JobState> job = newestJob(name, *jobBefore);
        if (!job)
            return QStringLiteral(
                       "Drukarka „%1” nie przyjęła wydruku: serwer wydruku nie ma "
                       "tego zadania.")
                .arg(printer);
        switch (job->state) {
            case IPP_JSTATE_PROCESSING:
            case IPP_JSTATE_COMPLETED:
                return std::nullopt;
            case IPP_JSTATE_HELD:
                return QStringLiteral(
                           "Wydruk na drukarce „%1” został wstrzymany w kolejce i nie "
                           "jest drukowany.")
                    .arg(printer);
            case IPP_JSTATE_STOPPED:
            case IPP_JSTATE_ABORTED:
                return withDetail(
                    QStringLiteral("Wydruk na drukarce „%1” nie powiódł się.").arg(printer),
                    printerState(name).message);
            case IPP_JSTATE_CANCELED:
                return QStringLiteral("Wydruk na drukarce „%1” został anulowany.").arg(printer);
            case IPP_JSTATE_PENDING:
                break;
        }
        const PrinterState p = printerState(name);
        if (p.stopped)
            return withDetail(QStringLiteral("Drukarka „%1” jest zatrzymana; wydruk czeka w "
                                             "kolejce i nie został wydrukowany.")
                                  .arg(printer),
                              p.message);
        // Queued behind other jobs of a working printer: it prints in its turn, and waiting
        // for that here would hold the whole run up for as long as the jobs before it print.
        // A job with nothing ahead gets its moment to start, so that one refused at once by
        // its device is still reported.
        if (jobsAhead(name, job->id)) return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        QThread::msleep(50);
    }
}

#else

bool available() {
    return false;
}

std::optional<int> lastJob(const QString&) {
    return std::nullopt;
}

std::optional<QString> checkSubmitted(const QString&, std::optional<int>,
                                      std::chrono::milliseconds) {
    return std::nullopt;
}

#endif

}  // namespace lumiro::reports::cups
