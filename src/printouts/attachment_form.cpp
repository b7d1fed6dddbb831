#include "printouts/attachment_form.h"

#include "printouts/form_data.h"
#include "printouts/form_drawing.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;

const QString kEmployee = QStringLiteral("TRP7");
const QString kBenefits = QStringLiteral("Tzal2");

// The table: title of the benefit, from, to.
constexpr double kEdges[] = {2.1, 105.8, 133.6, 161.4};
constexpr double kHeaderTop = 36.0;
constexpr double kNumbersTop = 63.5;
constexpr double kTitleHeight = 68.5;
constexpr double kRowHeight = 5.3;
// One line of 13 px text in the middle of a row; a second line is cut off by the rule.
constexpr QSizeF kCellInset(0.8, 0.65);

}  // namespace

Tdruk6::Tdruk6(FormData& data) : data_(data) {
    formPage(Rap1, false);
    const QFont text13 = formText(13);
    const QFont bold13 = formBold(13);
    const auto centred = Qt::AlignHCenter | Qt::AlignVCenter;

    Band& b = Rap1.addBand(BandKind::Title, kTitleHeight, QStringLiteral("QRBand1"));
    textBox(b, QRectF(0, 1.5, 190, 5.5), QStringLiteral("ZAŁĄCZNIK 1 DO RP 7"),
            Qt::AlignHCenter | Qt::AlignTop, bold13, false);
    textBox(b, QRectF(0, 7.0, 190, 5.5), QStringLiteral("WYKAZ OKRESÓW NIESKŁADKOWYCH"),
            Qt::AlignHCenter | Qt::AlignTop, bold13, false);
    hline(b, 0, 190, 13.6, 0.3);
    textBox(
        b, QRectF(0, 14.6, 190, 3.6),
        QStringLiteral("okresy pobierania wynagrodzenia za czas niezdolności do pracy, zasiłków "
                       "i świadczenia rehabilitacyjnego po 14.11.1991 r."),
        Qt::AlignHCenter | Qt::AlignTop, formText(9), false);

    // The same personal lines as the Rp-6 heading, in 13 px.
    const struct {
        double top, left, dotsEnd;
        const char* caption;
        const char* column;
    } lines[] = {{21.2, 16.9, 62.0, "Nazwisko:", "R1"},
                 {21.2, 76.2, 117.0, "Imię:", "R2"},
                 {21.2, 131.2, 190.0, "Data ur.:", "R3"},
                 {27.5, 16.9, 54.0, "PESEL", "R4"},
                 {27.5, 63.5, 117.0, "NIP", "R5"}};
    for (const auto& line : lines) {
        before(b, line.left, line.top, QString::fromUtf8(line.caption), text13);
        field(b, line.left, line.top, kEmployee, QString::fromLatin1(line.column), bold13);
        dottedLine(b, line.left, line.dotsEnd, line.top + 4.4);
    }

    // The table's header: "Okres" over "od" and "do", and the column numbers.
    const double split = kHeaderTop + 11.0;
    hline(b, kEdges[0], kEdges[3], kHeaderTop);
    hline(b, kEdges[1], kEdges[3], split);
    hline(b, kEdges[0], kEdges[3], kNumbersTop);
    hline(b, kEdges[0], kEdges[3], kTitleHeight);
    for (double x : {kEdges[0], kEdges[1], kEdges[3]}) vline(b, x, kHeaderTop, kTitleHeight);
    vline(b, kEdges[2], split, kTitleHeight);
    textBox(b, QRectF(kEdges[0], kHeaderTop, kEdges[1] - kEdges[0], kNumbersTop - kHeaderTop),
            QStringLiteral("Tytuł zasiłku"), centred, formBold(11));
    textBox(b, QRectF(kEdges[1], kHeaderTop, kEdges[3] - kEdges[1], split - kHeaderTop),
            QStringLiteral("Okres"), centred, formBold(11));
    textBox(b, QRectF(kEdges[1], split, kEdges[2] - kEdges[1], kNumbersTop - split),
            QStringLiteral("od"), centred, formText(11));
    textBox(b, QRectF(kEdges[2], split, kEdges[3] - kEdges[2], kNumbersTop - split),
            QStringLiteral("do"), centred, formText(11));
    for (int c = 0; c < 3; ++c)
        textBox(
            b,
            QRectF(kEdges[c], kNumbersTop, kEdges[c + 1] - kEdges[c], kTitleHeight - kNumbersTop),
            QString::number(c + 1), centred, formText(9), false);

    Band& rows = Rap1.addBand(BandKind::SubDetail, kRowHeight, QStringLiteral("QRSubDetail1"));
    rows.rowSource = kBenefits;
    rows.printWhenEmpty = true;
    const char* columns[] = {"Pole1", "Pole2", "Pole3"};
    for (int c = 0; c < 3; ++c) {
        reports::Element& cell = rowCell(
            rows, QRectF(kEdges[c], 0, kEdges[c + 1] - kEdges[c], kRowHeight),
            QString::fromLatin1(columns[c]), Qt::AlignHCenter | Qt::AlignTop, text13, kCellInset);
        // The title wraps in its cell; the dates print whole.
        cell.shrinkToFit = c > 0;
    }

    Band& s = Rap1.addBand(BandKind::Summary, 70.1, QStringLiteral("QRBand2"));
    reports::Element& date = s.addField(QStringLiteral("POLE32"), QRectF(22.2, 31.8, 50.0, 4.4),
                                        kEmployee, QStringLiteral("POLE32"));
    date.font = formBold(11);
    date.alignment = Qt::AlignHCenter | Qt::AlignTop;
    dottedLine(s, 22.2, 72.2, 36.4, QStringLiteral("data"), formText(9));
    dottedLine(s, 110.0, 180.0, 36.4, QStringLiteral("podpis i pieczęć "), formText(9));
    imprint(s, 61.4, QStringLiteral("Załącznik 1 do  RP-7"));
}

reports::Document Tdruk6::generate() {
    reports::Sources sources;
    sources.add(kEmployee, data_.row(kEmployee)).addRows(kBenefits, data_.rows(kBenefits));
    return Rap1.generate(sources);
}

}  // namespace lumiro::printouts
