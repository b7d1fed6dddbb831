#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
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

// A PDF text string: UTF-16 with its byte-order mark, in hexadecimal.
QByteArray pdfString(const QString& text) {
    QByteArray utf16("\xFE\xFF");
    for (QChar c : text) {
        utf16 += char(c.unicode() >> 8);
        utf16 += char(c.unicode() & 0xFF);
    }
    return '<' + utf16.toHex().toUpper() + '>';
}

// Qt before 6.9 writes no author into the document information. An incremental update, the
// way PDF files are edited (a new revision of the information dictionary appended with its
// own cross-reference section, pointing back at the original one), adds it without changing
// a byte of what Qt wrote. Returns the file unchanged when its ending is not Qt's classic
// cross-reference table and trailer.
QByteArray withAuthor(const QByteArray& pdf, const QString& author) {
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype trailer = pdf.lastIndexOf("trailer", startxref);
    if (startxref < 0 || trailer < 0) return pdf;
    const QByteArray previous = pdf.mid(startxref + 9, 32).trimmed().split('\n').value(0).trimmed();
    const QByteArray tail = pdf.mid(trailer + 7, startxref - trailer - 7);
    const qsizetype open = tail.indexOf("<<");
    const qsizetype close = tail.lastIndexOf(">>");
    static const QRegularExpression infoRef(QStringLiteral("/Info\\s+(\\d+)\\s+(\\d+)\\s+R"));
    static const QRegularExpression prevEntry(QStringLiteral("/Prev\\s+\\d+"));
    if (open < 0 || close < open || previous.isEmpty()) return pdf;
    QString dictionary = QString::fromLatin1(tail.mid(open + 2, close - open - 2));
    const QRegularExpressionMatch info = infoRef.match(dictionary);
    if (!info.hasMatch()) return pdf;
    const QByteArray object = info.captured(1).toLatin1();
    const QByteArray generation = info.captured(2).toLatin1();

    // The information dictionary as Qt wrote it, the author added before its end.
    const qsizetype objectAt = pdf.lastIndexOf("\n" + object + ' ' + generation + " obj", trailer);
    const qsizetype objectEnd = pdf.indexOf("endobj", objectAt);
    if (objectAt < 0 || objectEnd < 0) return pdf;
    const QByteArray body = pdf.mid(objectAt, objectEnd - objectAt);
    const qsizetype dictionaryEnd = body.lastIndexOf(">>");
    const qsizetype dictionaryStart = body.indexOf("<<");
    if (dictionaryStart < 0 || dictionaryEnd < dictionaryStart) return pdf;
    const QByteArray entries = body.mid(dictionaryStart, dictionaryEnd - dictionaryStart);

    QByteArray out = pdf;
    if (!out.endsWith('\n')) out += '\n';
    const qsizetype revisionAt = out.size();
    out += object + ' ' + generation + " obj\n" + entries + "/Author " + pdfString(author) +
           "\n>>\nendobj\n";
    const qsizetype xrefAt = out.size();
    out += "xref\n" + object + " 1\n" + QByteArray::number(revisionAt).rightJustified(10, '0') +
           ' ' + generation.rightJustified(5, '0') + " n \n";
    dictionary.replace(prevEntry, QString());
    out += "trailer\n<<" + dictionary.toLatin1().trimmed() + "\n/Prev " + previous +
           "\n>>\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    return out;
}

}  // namespace

PrintStatus writePdf(const Document& document, const QString& path, const QString& title,
                     const QString& author) {
    if (document.empty())
        return PrintStatus::failure(
            QStringLiteral("Wydruk nie ma żadnej strony; plik „%1” nie został zapisany.")
                .arg(QDir::toNativeSeparators(path)));

    QSaveFile file(path);
    // A PDF file is useless half written; QSaveFile's rename makes it appear whole.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return PrintStatus::failure(cannotWrite(path, file));

    // Written whole in memory first when the author is to be added after Qt has finished.
    const bool addAuthor = !author.isEmpty() && QT_VERSION < QT_VERSION_CHECK(6, 9, 0);
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    bool painted = true;
    {
        QPdfWriter writer(addAuthor ? static_cast<QIODevice*>(&memory) : &file);
        writer.setResolution(int(kReferenceDpi));
        writer.setCreator(QStringLiteral("Lumiro"));
        writer.setTitle(title);
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
        writer.setAuthor(author);
#endif
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
    if (painted && addAuthor) {
        const QByteArray pdf = withAuthor(memory.data(), author);
        painted = file.write(pdf) == pdf.size();
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
