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

// The system's own text (often in English) follows the Polish reason in brackets.
QString cannotWrite(const QString& path, const QSaveFile& file) {
    QString reason;
    switch (file.error()) {
        case QFileDevice::OpenError:
            reason = QStringLiteral("nie można utworzyć pliku w tym folderze");
            break;
        case QFileDevice::ResourceError:
            reason = QStringLiteral("brak miejsca na dysku");
            break;
        case QFileDevice::PermissionsError:
            reason = QStringLiteral("brak uprawnień");
            break;
        case QFileDevice::RenameError:
            reason = QStringLiteral("nie można zastąpić pliku o tej nazwie");
            break;
        case QFileDevice::NoError:
            reason = QStringLiteral("nie udało się utworzyć dokumentu PDF");
            break;
        default:
            reason = QStringLiteral("błąd zapisu");
            break;
    }
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty())
        reason += QStringLiteral(" (%1)").arg(file.errorString());
    return QStringLiteral("Nie można zapisać pliku „%1”: %2.")
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
    if (!file.open(QIODevice::WriteOnly)) return PrintStatus::failure(cannotWrite(path, file));

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
        const QString message = cannotWrite(path, file);
        file.cancelWriting();
        return PrintStatus::failure(message);
    }
    if (!file.commit()) return PrintStatus::failure(cannotWrite(path, file));
    return PrintStatus::success();
}

}  // namespace lumiro::reports
