#include "printouts/certificate_form.h"

#include "printouts/form_data.h"
#include "printouts/form_drawing.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;

const QString kCertificate = QStringLiteral("TZal3");

// Numbered items and their letters start at these edges.
constexpr double kItemLeft = 2.8;
constexpr double kLetterLeft = 4.2;
// A dotted line to write on lies this far below the top of its text line.
constexpr double kDots = 3.9;

}  // namespace

Tdruk7::Tdruk7(FormData& data) : data_(data) {
    formPage(Rap1, true);
    Band& b = Rap1.addBand(BandKind::Title, 276.8, QStringLiteral("QRBand1"));
    const QFont plain = formText(12);
    const QFont bold = formBold(12);
    const QFont note = formText(8);

    auto value = [&](double left, double top, const QString& column, double dotsEnd = 190.0) {
        field(b, left, top, kCertificate, column, bold);
        dottedLine(b, left, dotsEnd, top + kDots);
    };
    // The caption ends just before the value.
    auto after = [&](double left, double top, const QString& caption, const QString& column,
                     double dotsEnd = 190.0) {
        before(b, left, top, caption, plain);
        value(left, top, column, dotsEnd);
    };
    // The caption starts at `captionLeft`, the value at its own place further on.
    auto line = [&](double captionLeft, double left, double top, const QString& caption,
                    const QString& column, double dotsEnd = 190.0) {
        text(b, captionLeft, top, caption, plain);
        value(left, top, column, dotsEnd);
    };
    auto explain = [&](double left, double right, double top, const QString& caption) {
        textBox(b, QRectF(left, top + kDots + 0.5, right - left, 3.2), caption,
                Qt::AlignHCenter | Qt::AlignTop, note, false);
    };
    auto childcare = [&](double top, int firstColumn) {
        after(10.6, top, QStringLiteral("od"), QStringLiteral("POLE%1").arg(firstColumn), 38.5);
        after(42.3, top, QStringLiteral("do"), QStringLiteral("POLE%1").arg(firstColumn + 1), 70.0);
        text(b, 72.0, top, QStringLiteral("celem opieki nad dzieckiem"), plain);
    };

    // Heading: the employer's stamp, the title, the place and date of issue.
    dottedLine(b, 0, 50, 12.4, QStringLiteral("(pieczątka zakładu pracy)"), note);
    textBox(b, QRectF(52, 4.0, 72, 7.5), QStringLiteral("ZAŚWIADCZENIE "),
            Qt::AlignHCenter | Qt::AlignTop, formBold(19), false);
    value(129.1, 5.8, QStringLiteral("POLE1"));
    explain(129.1, 190, 5.8, QStringLiteral("(miejscowość i data)"));

    // 1 and 2: the employee and the employment.
    after(38.1, 18.5, QStringLiteral("1. Stwierdza się, że Pan(i)  "), QStringLiteral("POLE2"));
    explain(38.1, 190, 18.5, QStringLiteral("(imię i nazwisko pracownika-pracownicy)"));
    after(29.6, 27.5, QStringLiteral("imiona rodziców"), QStringLiteral("POLE3"));
    after(23.3, 33.9, QStringLiteral("urodzony(a)"), QStringLiteral("POLE4"), 78.0);
    explain(23.3, 78.0, 33.9, QStringLiteral("(data i miejsce urodz.)"));
    after(105.8, 33.9, QStringLiteral("jest zatrudniony(a) w"), QStringLiteral("POLE5"));
    value(kLetterLeft, 42.3, QStringLiteral("POLE6"), 78.0);
    after(95.2, 42.3, QStringLiteral("w okresie od"), QStringLiteral("POLE7"), 140.0);
    after(36.0, 48.7, QStringLiteral("do nadal, w wymiarze"), QStringLiteral("POLE8"));
    explain(36.0, 190, 48.7, QStringLiteral("(podać wymiar czasu pracy)"));
    line(kItemLeft, 59.3, 59.3, QStringLiteral("2. Pracownik-pracownica wykonuje pracę"),
         QStringLiteral("POLE9"));
    explain(59.3, 190, 59.3, QStringLiteral("(zajmowane stanowisko lub pełniona funkcja)"));
    text(b, kItemLeft, 69.6, QStringLiteral("3. Stosunek pracy trwa nadal."), plain);

    // 4: the leave and service during the employment.
    text(b, kItemLeft, 75.8, QStringLiteral("4. W okresie zatrudnienia pracownik-pracownica"),
         plain);
    text(b, kLetterLeft, 82.2,
         QStringLiteral("a) korzystał(a) z urlopu bezpłatnego (dane dotyczą okresu od dnia "
                        "zatrudnienia do 31.12.1998 r.)"),
         plain);
    value(kLetterLeft, 88.9, QStringLiteral("POLE10"));
    value(kLetterLeft, 95.2, QStringLiteral("POLE11"));
    value(kLetterLeft, 101.6, QStringLiteral("POLE12"));
    text(b, kLetterLeft, 108.0, QStringLiteral("b) korzystał(a) z urlopu wychowawczego"), plain);
    childcare(114.3, 13);
    after(21.2, 120.7, QStringLiteral("urodzonym"), QStringLiteral("POLE15"), 110.0);
    const QString back = QStringLiteral(
        "Po wykorzystaniu urlopu wychowawczego ponownie przystąpił(a) do pracy z dniem");
    after(118.5, 127.0, back, QStringLiteral("POLE16"), 170.0);
    childcare(133.3, 17);
    after(25.4, 139.7, QStringLiteral("urodzonym"), QStringLiteral("POLE19"), 110.0);
    after(118.5, 146.1, back, QStringLiteral("POLE20"), 170.0);
    line(kLetterLeft, 74.1, 154.5,
         QStringLiteral("c) do odbycia służby wojskowej zwolniony z dniem"),
         QStringLiteral("POLE21"), 130.0);
    after(50.8, 160.9, QStringLiteral("Odbył służbę wojskową w okresie"), QStringLiteral("Pole22"));
    after(97.4, 167.2,
          QStringLiteral("Po odbyciu służby wojskowej ponownie przystapił do pracy z dniem"),
          QStringLiteral("POLE23"), 150.0);
    text(b, kLetterLeft, 173.6,
         QStringLiteral("d) okresy nieskładkowe: 14.11.1991 r.- 31.12.1998 r.:"), plain);
    value(kLetterLeft, 179.9, QStringLiteral("POLE24"));
    value(kLetterLeft, 186.3, QStringLiteral("POLE25"));
    value(kLetterLeft, 192.6, QStringLiteral("POLE26"));

    // 5 and 6: remarks and what the certificate is for.
    line(kItemLeft, 40.2, 199.5, QStringLiteral("5. Informacje uzupełniające"),
         QStringLiteral("POLE27"));
    value(kLetterLeft, 205.3, QStringLiteral("POLE28"));
    text(b, kItemLeft, 214.2,
         QStringLiteral("6. Zaświadczenie wydaje się w celu uzupełnienia wniosku o ustalenie "
                        "kapitału początkowego."),
         plain);
    dottedLine(b, 110, 190, 240.0,
               QStringLiteral("(pieczątka i podpis pracodawcy lub osoby upoważnionej)"), note);
    imprint(b, 268.8, QString());
}

reports::Document Tdruk7::generate() {
    reports::Sources sources;
    sources.add(kCertificate, data_.row(kCertificate));
    return Rap1.generate(sources);
}

}  // namespace lumiro::printouts
