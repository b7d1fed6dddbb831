#include "cups_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cups/cups.h>

#include <sys/stat.h>

namespace lumiro::test {

namespace {

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

// A raw queue runs no filter, and with no filter cupsd writes nothing to a file: device.
// This PPD sends PDF through gziptoany, which copies it unchanged, and offers duplex so that
// the job carries the sides it was asked for.
const char kPpd[] = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "LUMIRO.PPD"
*Manufacturer: "Lumiro"
*Product: "(Lumiro test queue)"
*ModelName: "Lumiro test queue"
*ShortNickName: "Lumiro test queue"
*NickName: "Lumiro test queue"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*OpenUI *Duplex/2-Sided Printing: PickOne
*OrderDependency: 10 AnySetup *Duplex
*DefaultDuplex: None
*Duplex None/Off: "<</Duplex false>>setpagedevice"
*Duplex DuplexNoTumble/Long Edge: "<</Duplex true/Tumble false>>setpagedevice"
*Duplex DuplexTumble/Short Edge: "<</Duplex true/Tumble true>>setpagedevice"
*CloseUI: *Duplex
)ppd";

}  // namespace

CupsServer::CupsServer(std::vector<QueueSetup> queues)
    : root_(QString::fromStdString(dir_.path())), queues_(std::move(queues)) {}

CupsServer::~CupsServer() {
    stop();
}

QString CupsServer::output(const QString& queue) const {
    return root_ + QStringLiteral("/out/") + queue + QStringLiteral(".pdf");
}

QString CupsServer::log() const {
    QFile file(root_ + QStringLiteral("/log/error_log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool CupsServer::writeConfiguration() {
    // Filters run as cupsd's user "lp" when the test runs as root: they must reach the spool.
    ::chmod(dir_.path().c_str(), 0755);
    QDir root(root_);
    for (const char* sub : {"conf/ppd", "spool", "tmp", "cache", "state", "log", "out"})
        if (!root.mkpath(QString::fromLatin1(sub))) return false;

    const QString conf = root_ + QStringLiteral("/conf/");
    bool ok =
        writeFile(conf + QStringLiteral("cupsd.conf"),
                  QStringLiteral("LogLevel debug\n"
                                 "Listen %1\n"
                                 "Browsing No\n"
                                 "WebInterface No\n"
                                 "DefaultAuthType None\n"
                                 "ErrorPolicy stop-printer\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Policy default>\n  <Limit All>\n    Order allow,deny\n"
                                 "    Allow all\n  </Limit>\n</Policy>\n")
                      .arg(socket()));
    // Every path of the server inside the folder; FileDevice lets queues write into files.
    ok = ok && writeFile(conf + QStringLiteral("cups-files.conf"),
                         QStringLiteral("ServerRoot %1/conf\n"
                                        "RequestRoot %1/spool\n"
                                        "TempDir %1/tmp\n"
                                        "CacheDir %1/cache\n"
                                        "StateDir %1/state\n"
                                        "ErrorLog %1/log/error_log\n"
                                        "AccessLog %1/log/access_log\n"
                                        "PageLog %1/log/page_log\n"
                                        "Printcap %1/printcap\n"
                                        "FileDevice Yes\n")
                             .arg(root_));
    QString printers;
    bool first = true;
    for (const QueueSetup& q : queues_) {
        const QString uri = q.kind == Queue::Failing
                                ? QStringLiteral("file://%1/missing/%2.pdf").arg(root_, q.name)
                                : QStringLiteral("file://%1").arg(output(q.name));
        printers +=
            QStringLiteral("<%1 %2>\n")
                .arg(first ? QStringLiteral("DefaultPrinter") : QStringLiteral("Printer"), q.name);
        printers +=
            QStringLiteral("Info %1\nDeviceURI %2\nState %3\nAccepting %4\nShared No\n")
                .arg(q.name, uri,
                     q.kind == Queue::Stopped ? QStringLiteral("Stopped") : QStringLiteral("Idle"),
                     q.kind == Queue::Rejecting ? QStringLiteral("No") : QStringLiteral("Yes"));
        printers += first ? QStringLiteral("</DefaultPrinter>\n") : QStringLiteral("</Printer>\n");
        first = false;
        QString ppd = QString::fromLatin1(kPpd);
        if (q.kind == Queue::Busy) {
            // A filter that takes its time before it passes the job on: the queue stays busy
            // with its first job while the later ones wait as pending.
            const QString filter = root_ + QStringLiteral("/slow-filter");
            ok = ok && writeFile(filter, QStringLiteral("#!/bin/sh\nsleep 600\nexec "
                                                        "/usr/lib/cups/filter/gziptoany \"$@\"\n"));
            ::chmod(filter.toLocal8Bit().constData(), 0755);
            ppd.replace(QStringLiteral("application/pdf 0 gziptoany"),
                        QStringLiteral("application/pdf 0 ") + filter);
        }
        ok = ok && writeFile(conf + QStringLiteral("ppd/%1.ppd").arg(q.name), ppd);
    }
    return ok && writeFile(conf + QStringLiteral("printers.conf"), printers);
}

bool CupsServer::start() {
    const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
    if (!QFile::exists(cupsd)) {
        error_ = QStringLiteral("cupsd is not installed (Debian package cups-daemon)");
        return false;
    }
    if (!writeConfiguration()) {
        error_ = QStringLiteral("cannot write the configuration under ") + root_;
        return false;
    }
    daemon_ = std::make_unique<QProcess>();
    daemon_->setProcessChannelMode(QProcess::MergedChannels);
    daemon_->start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                           root_ + QStringLiteral("/conf/cupsd.conf"), QStringLiteral("-s"),
                           root_ + QStringLiteral("/conf/cups-files.conf")});
    if (!daemon_->waitForStarted(10000)) {
        error_ = QStringLiteral("cupsd did not start: ") + daemon_->errorString();
        return false;
    }
    // Ready when it lists every queue.
    const QByteArray server = socket().toUtf8();
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (daemon_->state() != QProcess::Running) break;
        http_t* http = httpConnect2(server.constData(), 0, nullptr, AF_UNSPEC,
                                    HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr);
        if (http) {
            cups_dest_t* dests = nullptr;
            const int count = cupsGetDests2(http, &dests);
            cupsFreeDests(count, dests);
            httpClose(http);
            if (count == int(queues_.size())) return true;
        }
        QThread::msleep(100);
    }
    error_ = QStringLiteral("cupsd did not come up: ") +
             QString::fromLocal8Bit(daemon_->readAll()) + QStringLiteral("\n") + log();
    return false;
}

void CupsServer::stop() {
    if (!daemon_) return;
    if (daemon_->state() != QProcess::NotRunning) {
        daemon_->terminate();
        if (!daemon_->waitForFinished(15000)) {
            daemon_->kill();
            daemon_->waitForFinished(5000);
        }
    }
    daemon_.reset();
}

}  // namespace lumiro::test
