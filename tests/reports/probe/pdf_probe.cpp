#include "pdf_probe.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace lumiro::test {

namespace {

QByteArray run(const QString& program, const QStringList& arguments, bool* ok = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    const bool good =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok) *ok = good;
    return good ? process.readAllStandardOutput() : QByteArray();
}

}  // namespace

std::vector<PdfWord> PdfPage::find(const QString& text) const {
    std::vector<PdfWord> out;
    for (const PdfWord& w : words)
        if (w.text == text) out.push_back(w);
    return out;
}

QString PdfPage::text() const {
    QStringList parts;
    for (const PdfWord& w : words) parts.push_back(w.text);
    return parts.join(QLatin1Char(' '));
}

std::vector<PdfPage> readPdfWords(const QString& path) {
    const QByteArray xhtml =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    std::vector<PdfPage> pages;
    QXmlStreamReader xml(xhtml);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("page")) {
            PdfPage page;
            page.widthMm = PdfWord::toMm(a.value(QLatin1String("width")).toDouble());
            page.heightMm = PdfWord::toMm(a.value(QLatin1String("height")).toDouble());
            pages.push_back(page);
        } else if (xml.name() == QLatin1String("word") && !pages.empty()) {
            PdfWord w{a.value(QLatin1String("xMin")).toDouble(),
                      a.value(QLatin1String("yMin")).toDouble(),
                      a.value(QLatin1String("xMax")).toDouble(),
                      a.value(QLatin1String("yMax")).toDouble(), QString()};
            w.text = xml.readElementText();
            pages.back().words.push_back(w);
        }
    }
    return pages;
}

QString readPdfText(const QString& path) {
    return QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}));
}

std::vector<PdfFont> readPdfFonts(const QString& path) {
    const QStringList lines =
        QString::fromUtf8(run(QStringLiteral("pdffonts"), {path})).split(QLatin1Char('\n'));
    std::vector<PdfFont> fonts;
    // name type [type...] encoding emb sub uni object ID; the name has no spaces, the type may.
    static const QRegularExpression row(QStringLiteral(
        "^(\\S+)\\s+(.+?)\\s+(\\S+)\\s+(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"));
    for (const QString& line : lines) {
        const auto m = row.match(line);
        if (!m.hasMatch()) continue;
        fonts.push_back(PdfFont{m.captured(1), m.captured(2), m.captured(4) == QLatin1String("yes"),
                                m.captured(6) == QLatin1String("yes")});
    }
    return fonts;
}

int pdfPageCount(const QString& path) {
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path}));
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"),
                                          QRegularExpression::MultilineOption);
    const auto m = pages.match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfInfo(const QString& path, const QString& field) {
    const QStringList lines =
        QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path})).split(u'\n');
    for (const QString& line : lines)
        if (line.startsWith(field + u':')) return line.mid(field.size() + 1).trimmed();
    return {};
}

QString renderPdfPage(const QString& pdf, int page, int dpi, const QString& outputStem) {
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
         QStringLiteral("-l"), QString::number(page), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdf, outputStem},
        &ok);
    const QString png = outputStem + QStringLiteral(".png");
    return ok && QFile::exists(png) ? png : QString();
}

}  // namespace lumiro::test
