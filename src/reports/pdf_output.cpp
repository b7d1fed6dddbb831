#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "reports/page_painter.h"
#include "reports/print_target.h"
#include "reports/text_measure.h"

namespace lumiro::reports {

namespace {

QPageLayout fullPage(const Page& page) {
    const QPageSize size(QSizeF(page.width, page.height), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Nie można zapisać pliku „%1”: %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace

PrintStatus writePdf(const Document& document, const QString& path, const QString& title) {
    if (document.empty())
        return PrintStatus::failure(
            QStringLiteral("Wydruk nie ma żadnej strony; plik „%1” nie został zapisany.")
                .arg(QDir::toNativeSeparators(path)));

    QSaveFile file(path);
    // A PDF file is useless half written; QSaveFile's rename makes it appear whole.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return PrintStatus::failure(cannotWrite(path, file.errorString()));

    bool painted = true;
    {
        QPdfWriter writer(&file);
        writer.setResolution(int(kReferenceDpi));
        writer.setCreator(QStringLiteral("Lumiro"));
        writer.setTitle(title);
        writer.setPageLayout(fullPage(document.pages.front()));
        QPainter painter;
        if (!painter.begin(&writer)) {
            painted = false;
        } else {
            const double s = dotsPerMm(writer);
            for (std::size_t i = 0; i < document.pages.size(); ++i) {
                const Page& page = document.pages[i];
                if (i > 0) {
                    writer.setPageLayout(fullPage(page));
                    if (!writer.newPage()) {
                        painted = false;
                        break;
                    }
                }
                paintPage(painter, page, s);
            }
            painted = painter.end() && painted;
        }
    }
    if (!painted || file.error() != QFileDevice::NoError) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("nie udało się utworzyć dokumentu PDF.");
        file.cancelWriting();
        return PrintStatus::failure(cannotWrite(path, reason));
    }
    if (!file.commit()) return PrintStatus::failure(cannotWrite(path, file.errorString()));
    return PrintStatus::success();
}

}  // namespace lumiro::reports
