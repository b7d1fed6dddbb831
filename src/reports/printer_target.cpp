#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "reports/cups_jobs.h"
#include "reports/page_painter.h"
#include "reports/print_target.h"

namespace lumiro::reports {

namespace {

QString notSent(const QString& why) {
    return why + QStringLiteral(" Wydruk nie został wysłany.");
}

}  // namespace

PrintStatus PrinterTarget::print(const Document& document, const QString& title) {
    if (document.empty()) return PrintStatus::success();

    QString name = printerName_;
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (name.isEmpty()) {
        name = QPrinterInfo::defaultPrinterName();
        if (name.isEmpty())
            return PrintStatus::failure(
                notSent(installed.isEmpty()
                            ? QStringLiteral("Nie zainstalowano żadnej drukarki.")
                            : QStringLiteral("Nie wybrano drukarki, a w systemie nie ustawiono "
                                             "drukarki domyślnej.")));
    }
    if (!installed.contains(name))
        return PrintStatus::failure(
            notSent(QStringLiteral("Drukarka „%1” nie jest zainstalowana.").arg(name)));

    const std::optional<int> jobBefore = cups::lastJob(name);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    printer.setDocName(title);
    printer.setFullPage(true);
    const Page& first = document.pages.front();
    printer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(first.width, first.height), QPageSize::Millimeter, QString(),
                              QPageSize::FuzzyMatch),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setCopyCount(1);
    // After the printer name: choosing a printer resets a duplex mode it does not offer.
    printer.setDuplex(document.duplex() ? QPrinter::DuplexLongSide : QPrinter::DuplexNone);

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintStatus::failure(
            notSent(QStringLiteral("Nie można rozpocząć wydruku na drukarce „%1”.").arg(name)));
    const double s = dotsPerMm(printer);
    bool painted = true;
    for (std::size_t i = 0; i < document.pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painted = false;
            break;
        }
        paintPage(painter, document.pages[i], s);
    }
    painted = painter.end() && painted;
    if (!painted || printer.printerState() == QPrinter::Error)
        return PrintStatus::failure(
            notSent(QStringLiteral("Wydruk na drukarce „%1” nie powiódł się.").arg(name)));

    if (std::optional<QString> failure = cups::checkSubmitted(name, jobBefore, settleTime_))
        return PrintStatus::failure(*failure);
    return PrintStatus::success();
}

}  // namespace lumiro::reports
