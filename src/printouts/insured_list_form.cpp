#include "printouts/insured_list_form.h"

#include "printouts/form_data.h"
#include "printouts/form_drawing.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;
using reports::Element;

const QString kPayer = QStringLiteral("TZlec");
const QString kListed = QStringLiteral("WRP7");

// Columns: number, name, date of birth, PESEL.
constexpr double kEdges[] = {5.3, 18.5, 79.4, 119.1, 158.5};
constexpr double kRowHeight = 6.6;
constexpr double kTitleHeight = 115.4;
constexpr double kHeaderHeight = 17.5;

const auto kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// The ruled headings of the columns, ending at the foot of the band.
void columnHeadings(Band& band, double bottom) {
    const char16_t* captions[] = {u"Lp.", u"Nazwisko i Imię ubezpieczonego", u"Data urodzenia",
                                  u"PESEL"};
    for (int c = 0; c < 4; ++c) {
        const QRectF cell(kEdges[c], bottom - kRowHeight, kEdges[c + 1] - kEdges[c], kRowHeight);
        band.addBox(cell, 0.2);
        textBox(band, cell, QString::fromUtf16(captions[c]), kCentred, formBold(11), false);
    }
}

Element& pageNumber(Band& band, double top) {
    Element& e = band.addPageNumber(QStringLiteral("Strona"), QRectF(130, top, 60, 4.3),
                                    QStringLiteral("Strona : %1"));
    e.alignment = Qt::AlignRight | Qt::AlignTop;
    return e;
}

}  // namespace

Tdruk9::Tdruk9(FormData& data, std::function<int()> listedCount)
    : data_(data), listedCount_(std::move(listedCount)) {
    formPage(Rap1, true);
    Rap1.beforePrint = [this](reports::Report&) { Rap1BeforePrint(); };
    const QFont note = formText(8);

    Band& t = Rap1.addBand(BandKind::Title, kTitleHeight, QStringLiteral("QRBand1"));
    textBox(t, QRectF(130, 0, 60, 4.3), QStringLiteral("Załącznik nr 2"),
            Qt::AlignRight | Qt::AlignTop, formText(11), false);
    pageNumber(t, 4.6);

    // The payer's block: the stamp, then each number on its dotted line.
    dottedLine(t, 0, 62, 16.0, QStringLiteral("(pieczątka płatnika składek)"), note);
    const struct {
        double top;
        const char* dots;
        const char* column;
        const char16_t* caption;
    } payer[] = {
        {25.0, "KPP: .................................................", "POW",
         u"(nr sprawy płatnika składek)"},
        {36.0, "NIP: .................................................", "NIP",
         u"(nr NIP płatnika składek)"},
        {47.0, "REGON: ...........................................", "SKROT",
         u"(nr REGON płatnika składek)"},
        {58.0, "NKP: .................................................", "GMIN",
         u"(nr NKP płatnika składek)"},
    };
    for (const auto& line : payer) {
        text(t, 0, line.top, QString::fromLatin1(line.dots));
        field(t, 12.7, line.top - 2.0, kPayer, QString::fromLatin1(line.column));
        textBox(t, QRectF(0, line.top + 4.0, 44, 3.2), QString::fromUtf16(line.caption),
                Qt::AlignHCenter | Qt::AlignTop, note, false);
    }

    // The heading and the list's number, year and date over their dots.
    textBox(t, QRectF(0, 74.0, 190, 6.5), QStringLiteral("WYKAZ"), Qt::AlignHCenter | Qt::AlignTop,
            formBold(16), false);
    textBox(t, QRectF(0, 81.5, 190, 5.0),
            QStringLiteral("UBEZPIECZONYCH DO USTALENIA KAPITAŁU POCZĄTKOWEGO"),
            Qt::AlignHCenter | Qt::AlignTop, formBold(12), false);
    // "NR .... / .... Z DNIA ....": the dots are rules just below the line, so that the
    // values typed over them stay legible.
    constexpr double line = 100.0;
    const double dots = line + 3.4;
    text(t, 62.1, line, QStringLiteral("NR"));
    dottedLine(t, 67.0, 81.4, dots);
    text(t, 82.3, line, QStringLiteral("/"));
    dottedLine(t, 84.2, 99.8, dots);
    text(t, 100.9, line, QStringLiteral("Z DNIA"));
    dottedLine(t, 112.0, 134.0, dots);
    auto label = [&](const QString& name, double left) {
        Element& e = t.addLabel(name, QRectF(left, line, 0, 4.3), {});
        e.font = formBold(11);
        e.growRight = true;
        return &e;
    };
    numer_ = label(QStringLiteral("QNUMER"), 69.8);
    rok_ = label(QStringLiteral("QROK"), 87.0);
    dnia_ = label(QStringLiteral("QDNIA"), 116.4);
    columnHeadings(t, kTitleHeight);

    // Following pages start with the page number and the headings; the first has them in the
    // title band.
    Band& h = Rap1.addBand(BandKind::ColumnHeader, kHeaderHeight, QStringLiteral("QRBand2"));
    h.onFirstPage = false;
    pageNumber(h, 2.0);
    columnHeadings(h, kHeaderHeight);

    Band& rows = Rap1.addBand(BandKind::SubDetail, kRowHeight, QStringLiteral("QRSubDetail1"));
    rows.rowSource = kListed;
    rows.beforePrint = [this](Band&) { return QRSubDetail1BeforePrint(); };
    const QRectF numberCell(kEdges[0], 0, kEdges[1] - kEdges[0], kRowHeight);
    rows.addBox(numberCell, 0.2);
    pozycja_ = &textBox(rows, numberCell, {}, kCentred, formText(11), false);
    pozycja_->name = QStringLiteral("pozycja");
    pozycja_->shrinkToFit = true;
    // A row holds one line: what is longer than its cell prints whole in a smaller size.
    const QSizeF inset(1.0, 0.3);
    rowCell(rows, QRectF(kEdges[1], 0, kEdges[2] - kEdges[1], kRowHeight), QStringLiteral("POLE1"),
            Qt::AlignLeft | Qt::AlignVCenter, formText(11), inset)
        .shrinkingToFit();
    rowCell(rows, QRectF(kEdges[2], 0, kEdges[3] - kEdges[2], kRowHeight), QStringLiteral("KP8"),
            kCentred, formText(11), inset)
        .shrinkingToFit();
    rowCell(rows, QRectF(kEdges[3], 0, kEdges[4] - kEdges[3], kRowHeight), QStringLiteral("KP11"),
            kCentred, formText(11), inset)
        .shrinkingToFit();

    Band& s = Rap1.addBand(BandKind::Summary, 43.4, QStringLiteral("QRBand3"));
    text(s, kEdges[0], 8.0, QStringLiteral("W załączeniu:"));
    constexpr double dotsLeft = 24.0;
    dottedLine(s, dotsLeft, dotsLeft + 10.2, 8.0 + 3.4);
    text(s, dotsLeft + 11.0, 8.0, QStringLiteral("wniosków ubezpieczonych."));
    ilosc_ = &s.addLabel(QStringLiteral("ilosc"), QRectF(dotsLeft, 8.0, 10.2, 4.3), {});
    ilosc_->font = formBold(11);
    ilosc_->alignment = Qt::AlignHCenter | Qt::AlignTop;
    ilosc_->shrinkToFit = true;
    dottedLine(s, 110, 185, 30.0, QStringLiteral("(podpis płatnika lub osoby upoważnionej)"), note);
}

void Tdruk9::setHeading(const QString& number, const QString& year, const QString& date) {
    numer_->caption = number;
    rok_->caption = year;
    dnia_->caption = date;
}

void Tdruk9::Rap1BeforePrint() {
    ilosc_->caption = QString::number(listedCount_ ? listedCount_() : 0);
    counter_ = 0;
}

bool Tdruk9::QRSubDetail1BeforePrint() {
    pozycja_->caption = QString::number(++counter_);
    return true;
}

reports::Document Tdruk9::generate() {
    reports::Sources sources;
    sources.add(kPayer, data_.row(kPayer)).addRows(kListed, data_.rows(kListed));
    return Rap1.generate(sources);
}

}  // namespace lumiro::printouts
