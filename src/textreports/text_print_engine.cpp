#include "textreports/text_print_engine.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

#include "data/table_text.h"
#include "platform/prompter.h"
#include "textreports/text_routines.h"

namespace lumiro::textreports {
namespace {

const QString kCondensed = QStringLiteral("&G");
const QString kNormal = QStringLiteral("&N");
const QString kExpanded = QStringLiteral("&R");
const QString kPageBreak = QStringLiteral("&W");
const QString kMarker = QStringLiteral(">VX<");

const QByteArray kCrLf("\r\n");
const QByteArray kFormFeed("\x0C\r\n");
// Every port line starts from normal width, so that a printer left in another mode by
// whatever printed before begins each line the same.
const QByteArray kLineStart("\x14\x12");

QByteArray portMode(PrintSize size) {
    switch (size) {
        case PrintSize::Condensed:
            return QByteArray("\x0F");
        case PrintSize::Normal:
            return QByteArray("\x14\x12");
        case PrintSize::Expanded:
            return QByteArray("\x12\x0E");
    }
    return QByteArray("\x0F");
}

int points(PrintSize size) {
    switch (size) {
        case PrintSize::Condensed:
            return 8;
        case PrintSize::Normal:
            return 12;
        case PrintSize::Expanded:
            return 16;
    }
    return 8;
}

// Line heights on the printer, in 1/300 inch.
int lineHeight(PrintSize size) {
    switch (size) {
        case PrintSize::Condensed:
            return 40;
        case PrintSize::Normal:
            return 50;
        case PrintSize::Expanded:
            return 65;
    }
    return 40;
}

// Lines end at CR LF, a lone CR or LF, or a paragraph separator (a text editor's selection).
bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar(QChar::ParagraphSeparator) ||
           c == QChar(QChar::LineSeparator);
}

}  // namespace

TextPrintEngine::TextPrintEngine(Host host, TextBuffer* buffer)
    : host_(std::move(host)), buffer_(buffer ? buffer : &ownBuffer_) {}

TextPrintEngine::~TextPrintEngine() {
    closeDestination(false);
}

void TextPrintEngine::setBuffer(TextBuffer* buffer) {
    buffer_ = buffer ? buffer : &ownBuffer_;
}

void TextPrintEngine::setNaglowek(int number, const QString& line) {
    if (number >= 1 && number <= kMaxHeadings) Naglowki_[std::size_t(number - 1)] = line;
}

QString TextPrintEngine::Naglowek(int number) const {
    if (number < 1 || number > kMaxHeadings) return QString();
    return Naglowki_[std::size_t(number - 1)];
}

void TextPrintEngine::error(const QString& message) {
    if (host_.prompter) host_.prompter->error(message);
}

void TextPrintEngine::progressStart(const QString& title, int maximum) {
    if (host_.progressStart) host_.progressStart(title, maximum);
}

void TextPrintEngine::progressStop() {
    if (host_.progressStop) host_.progressStop();
}

bool TextPrintEngine::OtworzWydruk(const QString& title, bool askTitle, int total, int headingCount,
                                   bool pageHeading) {
    return begin(title, askTitle, total, headingCount, pageHeading, settings_.DRBUFOR);
}

bool TextPrintEngine::begin(const QString& title, bool askTitle, int total, int headingCount,
                            bool pageHeading, bool direct) {
    if (headingCount < 0 || headingCount > kMaxHeadings) {
        error(QStringLiteral("Wydruk „%1” nie został rozpoczęty: ma %2 wierszy nagłówka, a "
                             "strona może powtarzać najwyżej %3.")
                  .arg(title)
                  .arg(headingCount)
                  .arg(kMaxHeadings));
        return false;
    }
    buffer_->clear();
    NazwaWydruku_ = title;
    if (askTitle && host_.askTitle) NazwaWydruku_ = host_.askTitle(NazwaWydruku_);
    LiczbaNaglowkow_ = headingCount;
    Naglowek_ = pageHeading;
    Strona_ = 0;
    Linia_ = 0;
    size_ = PrintSize::Condensed;
    active_ = true;
    direct_ = direct;
    if (direct_) StartWydruku();
    if (Naglowek_) {
        NaglowekStrony();
        settings_.DRPODZIAL = true;
    }
    progressStart(NazwaWydruku_, total);
    return true;
}

QString TextPrintEngine::headingLine1() const {
    const QString company = host_.companyLabel ? host_.companyLabel() : QString();
    const QString today = host_.today ? host_.today() : QString();
    return kCondensed + Dopelnij(company, 30) + QStringLiteral(" Program : ") +
           Dopelnij(host_.applicationTitle, 20) + QStringLiteral(" Data : ") + today +
           QStringLiteral(" Strona : ") + QString::number(Strona_);
}

QString TextPrintEngine::headingLine2() const {
    return QStringLiteral("&GWydruk : ") + NazwaWydruku_;
}

void TextPrintEngine::NaglowekStrony() {
    ++Strona_;
    const int margin = settings_.DRGORA & 0xFF;
    for (int i = 0; i < margin; ++i) DrukujLinie(kCondensed);
    DrukujLinie(headingLine1());
    DrukujLinie(headingLine2());
    Linia_ = settings_.DRGORA + 2;
}

void TextPrintEngine::DrukujLinie(const QString& line) {
    if (!active_) return;
    if (direct_) {
        writeLine(line);
    } else {
        buffer_->appendLine(line);
    }
    ++Linia_;
}

void TextPrintEngine::KrokWydruku() {
    if (host_.progressStep) host_.progressStep();
}

void TextPrintEngine::ZamknijWydruk(bool endLine) {
    if (!active_) return;
    if (endLine) DrukujLinie(QStringLiteral("&GBertwald - Koniec wydruku: ") + NazwaWydruku_);
    progressStop();
    active_ = false;
    if (direct_) {
        KoniecWydruku();
    } else if (Natychmiast_) {
        printBuffer(buffer_->text());
    } else if (host_.showWindow) {
        host_.showWindow();
    }
    Natychmiast_ = false;
    buffer_->setFont(QStringLiteral("Courier New"), 8);
}

void TextPrintEngine::printBuffer(const QString& text) {
    progressStart(NazwaWydruku_, int(text.size()));
    Strona_ = 1;
    Linia_ = 0;
    PozycjaY_ = 0;
    // Every printing of the buffer is a printout of its own and starts condensed, as the
    // first one did.
    size_ = PrintSize::Condensed;
    if (!StartWydruku()) {
        progressStop();
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        KrokWydruku();
        const QChar c = text.at(i);
        if (!isLineEnd(c)) continue;
        writeLine(text.mid(start, i - start));
        ++Linia_;
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            ++i;
            KrokWydruku();
        }
        start = i + 1;
    }
    KoniecWydruku();
    progressStop();
}

void TextPrintEngine::printNote(const QStringList& lines) {
    if (!begin(QString(), false, 0, 0, false, false)) return;
    setNatychmiast(true);
    // Every line with its line end, the last one too: the buffer prints only ended lines.
    QString text;
    for (const QString& line : lines) text += line + u'\n';
    buffer_->setText(text);
    ZamknijWydruk(false);
}

void TextPrintEngine::writeLine(const QString& line) {
    switch (openType_) {
        case kWindowsPrinter:
            LiniaWindows(line);
            break;
        case kPort:
            LiniaDOS(line);
            break;
        case kExportCut:
            LiniaEksport(line);
            break;
        case kExportUncut:
            LiniaEksportBW(line);
            break;
        default:
            break;  // nothing open: a failed or cancelled destination writes nothing
    }
}

PrintSize TextPrintEngine::sizeAfter(const QString& line, PrintSize size) const {
    QStringView rest(line);
    if (rest.startsWith(kCondensed)) {
        rest = rest.mid(2);
        size = PrintSize::Condensed;
    }
    if (rest.startsWith(kNormal)) {
        rest = rest.mid(2);
        size = PrintSize::Normal;
    }
    if (rest.startsWith(kExpanded)) size = PrintSize::Expanded;
    switch (settings_.DRRODZAJ) {
        case 1:
            return PrintSize::Condensed;
        case 2:
            return PrintSize::Normal;
        case 3:
            return PrintSize::Expanded;
        default:
            return size;
    }
}

QString TextPrintEngine::stripSizeCodes(const QString& line) const {
    QString rest = line;
    for (const QString& code : {kCondensed, kNormal, kExpanded}) {
        if (rest.startsWith(code)) rest.remove(0, 2);
    }
    return rest;
}

QByteArray TextPrintEngine::encoded(const QString& text) const {
    QByteArray bytes = QByteArray::fromStdString(data::toTable(text));
    if (settings_.DRPL != 3) bytes = Polskie(bytes, KodKonwersji_);
    return bytes;
}

void TextPrintEngine::writeBytes(const QByteArray& bytes) {
    if (!out_ || writeFailed_) return;
    if (out_->write(bytes) != bytes.size()) writeFailed_ = true;
}

int TextPrintEngine::portPageLength() const {
    const int heading = (Naglowek_ ? (settings_.DRGORA & 0xFF) + 2 : 0) + LiczbaNaglowkow_;
    return std::max(settings_.DRLINIDOS, heading);
}

void TextPrintEngine::LiniaDOS(const QString& line) {
    if (line.startsWith(kPageBreak)) {
        writeBytes(kFormFeed);
        ++Strona_;
        Linia_ = 0;
        return;
    }
    if (settings_.DRPODZIAL && !inPageHeading_ && Linia_ > portPageLength()) StronaDOS();
    size_ = sizeAfter(line, size_);
    const QString text = stripSizeCodes(line);
    writeBytes(kLineStart + QByteArray(std::max(0, settings_.DRLEWY), ' ') + portMode(size_) +
               encoded(text) + kCrLf);
}

void TextPrintEngine::StronaDOS() {
    writeBytes(kFormFeed);
    ++Strona_;
    Linia_ = 0;
    inPageHeading_ = true;
    if (Naglowek_) {
        const int margin = settings_.DRGORA & 0xFF;
        for (int i = 0; i < margin; ++i) {
            LiniaDOS(QString());
            ++Linia_;
        }
        LiniaDOS(headingLine1());
        ++Linia_;
        LiniaDOS(headingLine2());
        ++Linia_;
    }
    for (int i = 0; i < LiczbaNaglowkow_; ++i) {
        LiniaDOS(Naglowki_[std::size_t(i)]);
        ++Linia_;
    }
    inPageHeading_ = false;
}

void TextPrintEngine::LiniaWindows(const QString& line) {
    if (!canvas_) return;
    if (line.startsWith(kPageBreak)) {
        canvas_->newPage();
        ++Strona_;
        PozycjaY_ = 0;
        return;
    }
    // The test uses the height of the line about to print, whatever its size; a line on a
    // fresh page stays there even if it is taller than the page.
    const int height = lineHeight(sizeAfter(line, size_));
    if (!inPageHeading_ && PozycjaY_ > 0 && PozycjaY_ + height > WysokoscStrony_) {
        if (settings_.DRPODZIAL) {
            StronaWindows(line);
        } else {
            canvas_->newPage();
            ++Strona_;
            PozycjaY_ = 0;
        }
    }
    size_ = sizeAfter(line, size_);
    const int x = int(std::trunc(settings_.DRLEWY * 20 * Skala_));
    const int y = int(std::trunc(PozycjaY_ * Skala_));
    canvas_->drawText(x, y, points(size_), stripSizeCodes(line));
    PozycjaY_ += lineHeight(size_);
}

void TextPrintEngine::StronaWindows(const QString& pending) {
    canvas_->newPage();
    PozycjaY_ = 0;
    ++Strona_;
    Linia_ = 0;
    inPageHeading_ = true;
    if (Naglowek_) {
        // When the top margin leaves no room for the heading lines and the line that asked
        // for the page, only as much of the margin is kept as leaves that room.
        QStringList after{headingLine1(), headingLine2()};
        for (int i = 0; i < LiczbaNaglowkow_; ++i) after << Naglowki_[std::size_t(i)];
        after << pending;
        const PrintSize marginSize = sizeAfter(QString(), size_);
        PrintSize size = marginSize;
        int rest = 0;
        for (const QString& line : after) {
            size = sizeAfter(line, size);
            rest += lineHeight(size);
        }
        const int room = std::max(0, WysokoscStrony_ - rest) / lineHeight(marginSize);
        const int margin = std::min(settings_.DRGORA & 0xFF, room);
        for (int i = 0; i < margin; ++i) LiniaWindows(QString());
        LiniaWindows(headingLine1());
        LiniaWindows(headingLine2());
    }
    for (int i = 0; i < LiczbaNaglowkow_; ++i) LiniaWindows(Naglowki_[std::size_t(i)]);
    inPageHeading_ = false;
}

void TextPrintEngine::LiniaEksport(const QString& line) {
    QString text = Naglowek_ && Linia_ < 2 ? QString() : line;
    for (const QString& code : {kCondensed, kNormal, kExpanded, kPageBreak}) {
        if (text.startsWith(code)) {
            text.remove(0, 2);
            break;
        }
    }
    // Rules ("=====", "|----|"), empty and one-character lines and marker lines are cut.
    if (text.size() < 2 || text.at(1) == u'-' || text.at(1) == u'=' || text.startsWith(kMarker))
        return;
    writeBytes(encoded(text) + kCrLf);
}

void TextPrintEngine::LiniaEksportBW(const QString& line) {
    QString text = Naglowek_ && Linia_ < 2 ? QString() : line;
    if (text.startsWith(kPageBreak)) text.replace(0, 2, QChar(0x0C));
    for (const QString& code : {kCondensed, kNormal, kExpanded, kPageBreak}) {
        if (text.startsWith(code)) {
            text.remove(0, 2);
            break;
        }
    }
    writeBytes(encoded(text) + kCrLf);
}

bool TextPrintEngine::StartWydruku() {
    closeDestination(false);
    writeFailed_ = false;
    const int type = settings_.DRTYP;
    switch (type) {
        case kWindowsPrinter: {
            std::unique_ptr<PageCanvas> canvas =
                host_.openPrinter ? host_.openPrinter() : std::unique_ptr<PageCanvas>();
            if (!canvas) {
                error(QStringLiteral("Drukowanie na drukarce systemowej nie jest dostępne."));
                return false;
            }
            if (!canvas->begin(NazwaWydruku_)) {
                error(canvas->failure());
                return false;
            }
            Skala_ = canvas->dotsPerInch() / 300.0;
            if (Skala_ <= 0) Skala_ = 1.0;
            WysokoscStrony_ = int(std::trunc(canvas->pageHeight() / Skala_));
            PozycjaY_ = 0;
            canvas_ = std::move(canvas);
            break;
        }
        case kPort: {
            const QString name = portName(settings_.DRPORT);
            const std::size_t port = std::size_t(settings_.DRPORT <= 2 ? settings_.DRPORT : 0);
            PortOpening opening =
                host_.openPort ? host_.openPort(settings_.ports[port]) : PortOpening{};
            if (!opening.device) {
                QString message = QStringLiteral("Błąd otwarcia portu : ") + name;
                if (!opening.reason.isEmpty()) message += u'\n' + opening.reason;
                error(message);
                return false;
            }
            out_ = std::move(opening.device);
            outName_ = name;
            break;
        }
        case kExportCut:
        case kExportUncut: {
            const std::optional<QString> path =
                host_.chooseExportFile ? host_.chooseExportFile() : std::nullopt;
            if (!path || path->isEmpty()) return false;
            // The file appears whole when the printout ends, or not at all; an existing file
            // stays as it was until then.
            auto file = std::make_unique<QSaveFile>(*path);
            const QFileInfo info(*path);
            if ((info.exists() && (!info.isFile() || !info.isWritable())) ||
                !file->open(QIODevice::WriteOnly)) {
                error(QStringLiteral("Błąd otwarcia pliku : ") + *path);
                return false;
            }
            out_ = std::move(file);
            outName_ = *path;
            break;
        }
        default:
            error(QStringLiteral("Nieznany rodzaj wydruku (%1).").arg(type));
            return false;
    }
    openType_ = type;
    KodKonwersji_ = conversionCode(settings_.DRPL);
    return true;
}

void TextPrintEngine::KoniecWydruku() {
    if (openType_ == kPort && out_ && settings_.DRPODZIAL) writeBytes(kFormFeed);
    closeDestination(true);
}

void TextPrintEngine::closeDestination(bool keep) {
    const int type = openType_;
    openType_ = -1;
    // A printer job that is not kept is dropped with its canvas, never sent half done.
    if (std::unique_ptr<PageCanvas> canvas = std::move(canvas_); canvas && keep) {
        if (!canvas->end()) error(canvas->failure());
    }
    if (!out_) return;
    std::unique_ptr<QIODevice> out = std::move(out_);
    if (auto* file = dynamic_cast<QSaveFile*>(out.get())) {
        if (!keep) {
            file->cancelWriting();
            return;
        }
        const bool written = !writeFailed_ && file->commit();
        if (!written) {
            const QString why = file->errorString();
            file->cancelWriting();
            error(QStringLiteral("Błąd zapisu pliku : %1\nPlik nie został zapisany (%2).")
                      .arg(outName_, why));
        }
        return;
    }
    out->close();
    if (keep && type == kPort && writeFailed_)
        error(QStringLiteral("Błąd zapisu do portu : %1\nWydruk nie został przesłany w całości "
                             "(%2).")
                  .arg(outName_, out->errorString()));
}

}  // namespace lumiro::textreports
