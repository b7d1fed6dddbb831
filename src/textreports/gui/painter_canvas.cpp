#include "textreports/gui/painter_canvas.h"

#include <QFontMetrics>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinterInfo>

#include "reports/cups_jobs.h"
#include "textreports/gui/text_fonts.h"

namespace lumiro::textreports {
namespace {

QString notSent(const QString& why) {
    return why + QStringLiteral(" Wydruk nie został wysłany.");
}

QPageLayout defaultLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

}  // namespace

double PainterCanvas::dotsPerInch() const {
    return device_ ? device_->logicalDpiY() : 300.0;
}

int PainterCanvas::pageHeight() const {
    return device_ ? device_->height() : 0;
}

bool PainterCanvas::newPage() {
    return device_ && device_->newPage();
}

void PainterCanvas::drawText(int x, int y, int points, const QString& text) {
    if (!painter_.isActive()) return;
    const QFont font = printerTextFont(points);
    painter_.setFont(font);
    // The engine places the top of the line; the painter writes on the baseline.
    const QFontMetrics metrics(font, device_);
    painter_.drawText(x, y + metrics.ascent(), text);
}

bool PainterCanvas::beginPainting(QPagedPaintDevice& device) {
    device_ = &device;
    if (!painter_.begin(&device)) {
        device_ = nullptr;
        return false;
    }
    painter_.setPen(Qt::black);
    return true;
}

bool PainterCanvas::endPainting() {
    if (!painter_.isActive()) return false;
    return painter_.end();
}

PrinterCanvas::PrinterCanvas(QString printerName, std::optional<QPageLayout> layout)
    : name_(std::move(printerName)), layout_(std::move(layout)) {}

PrinterCanvas::~PrinterCanvas() {
    // A job begun and never ended is given up rather than sent half done.
    if (painting()) {
        printer_->abort();
        endPainting();
    }
}

bool PrinterCanvas::begin(const QString& title) {
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (name_.isEmpty()) {
        name_ = QPrinterInfo::defaultPrinterName();
        if (name_.isEmpty()) {
            failure_ = notSent(installed.isEmpty()
                                   ? QStringLiteral("Nie zainstalowano żadnej drukarki.")
                                   : QStringLiteral("Nie wybrano drukarki, a w systemie nie "
                                                    "ustawiono drukarki domyślnej."));
            return false;
        }
    }
    if (!installed.contains(name_)) {
        failure_ = notSent(QStringLiteral("Drukarka „%1” nie jest zainstalowana.").arg(name_));
        return false;
    }
    jobBefore_ = reports::cups::lastJob(name_);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPrinterName(name_);
    printer_->setDocName(title);
    printer_->setCopyCount(1);
    if (layout_) printer_->setPageLayout(*layout_);
    if (!beginPainting(*printer_)) {
        failure_ =
            notSent(QStringLiteral("Nie można rozpocząć wydruku na drukarce „%1”.").arg(name_));
        printer_.reset();
        return false;
    }
    return true;
}

bool PrinterCanvas::end() {
    if (!printer_) return false;
    const bool painted = endPainting();
    if (!painted || printer_->printerState() == QPrinter::Error) {
        failure_ = notSent(QStringLiteral("Wydruk na drukarce „%1” nie powiódł się.").arg(name_));
        return false;
    }
    if (std::optional<QString> refused =
            reports::cups::checkSubmitted(name_, jobBefore_, std::chrono::milliseconds(3000))) {
        failure_ = *refused;
        return false;
    }
    return true;
}

PdfCanvas::PdfCanvas(QString path, int dotsPerInch, std::optional<QPageLayout> layout)
    : path_(std::move(path)), dotsPerInch_(dotsPerInch), layout_(std::move(layout)) {}

PdfCanvas::~PdfCanvas() {
    endPainting();
}

bool PdfCanvas::begin(const QString& title) {
    writer_ = std::make_unique<QPdfWriter>(path_);
    writer_->setResolution(dotsPerInch_);
    writer_->setTitle(title);
    writer_->setPageLayout(layout_ ? *layout_ : defaultLayout());
    if (!beginPainting(*writer_)) {
        failure_ = QStringLiteral("Nie można zapisać pliku %1.").arg(path_);
        writer_.reset();
        return false;
    }
    return true;
}

bool PdfCanvas::end() {
    if (!writer_) return false;
    if (!endPainting()) {
        failure_ = QStringLiteral("Nie można zapisać pliku %1.").arg(path_);
        return false;
    }
    return true;
}

}  // namespace lumiro::textreports
