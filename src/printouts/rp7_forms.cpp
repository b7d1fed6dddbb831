#include "printouts/rp7_forms.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextDocument>

#include "data/information_notes.h"
#include "printouts/form_data.h"
#include "printouts/form_drawing.h"
#include "reports/text_measure.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;
using reports::Element;

constexpr double kRowHeight = 7.9;
constexpr double kPen = 0.2;

// Page 1's columns: year, fixed, variable amount and kind, other amount and kind, in kind
// amount and kind, sickness pay and benefits, total.
constexpr std::array<double, 10> kLefts1 = {1.6,  15.1,  38.1,  56.1,  74.1,
                                            92.1, 110.1, 128.1, 146.1, 167.5};
constexpr std::array<double, 10> kWidths1 = {13.5, 23.0, 18.0, 18.0, 18.0,
                                             18.0, 18.0, 18.0, 21.4, 22.8};
// Page 2 narrows the last two columns.
constexpr std::array<double, 10> kLefts2 = {1.6,  15.1,  38.1,  56.1,  74.1,
                                            92.1, 110.1, 128.1, 146.1, 165.1};
constexpr std::array<double, 10> kWidths2 = {13.5, 23.0, 18.0, 18.0, 18.0,
                                             18.0, 18.0, 18.0, 19.0, 23.0};

void reportPage(reports::Report& report, bool duplex) {
    report.page = reports::PageSetup{};
    report.page.margins = {10, 10, 10, 10};
    report.page.duplex = duplex;
    report.font = formText(11);
}

void rule(Band& band, double x1, double y1, double x2, double y2, double pen = kPen) {
    band.addRule(QPointF(x1, y1), QPointF(x2, y2), pen);
}

// The heading block of the earnings table between `top` and `bottom`, the numbering row
// down to `numbers`, with the rules of every column down to `end`.
void earningsHeading(Band& band, double top, double bottom, double numbers, double end,
                     const std::array<double, 10>& lefts, const std::array<double, 10>& widths) {
    const double right = lefts[9] + widths[9];
    const double h = bottom - top;
    const double groupBottom = top + h * 0.22;  // "Wynagrodzenie ..." over columns 2 to 5
    const double kindBottom = top + h * 0.58;   // the names of columns 3 to 5
    const QFont small = formText(9);
    const QFont tiny = formText(8);
    auto centred = [](Qt::Alignment extra = {}) {
        return Qt::AlignHCenter | Qt::AlignVCenter | extra;
    };

    // Outer rules, the rows of the heading, and the column edges.
    rule(band, lefts[0], top, right, top);
    rule(band, lefts[1], groupBottom, lefts[8], groupBottom);
    rule(band, lefts[2], kindBottom, lefts[8], kindBottom);
    rule(band, lefts[0], bottom, right, bottom);
    rule(band, lefts[0], numbers, right, numbers);
    for (int c : {0, 1, 8, 9}) rule(band, lefts[std::size_t(c)], top, lefts[std::size_t(c)], end);
    rule(band, right, top, right, end);
    rule(band, lefts[2], groupBottom, lefts[2], end);
    for (int c : {4, 6}) rule(band, lefts[std::size_t(c)], groupBottom, lefts[std::size_t(c)], end);
    // The kind columns share their number with the amount beside them.
    for (int c : {3, 5, 7}) {
        rule(band, lefts[std::size_t(c)], kindBottom, lefts[std::size_t(c)], bottom);
        rule(band, lefts[std::size_t(c)], numbers, lefts[std::size_t(c)], end);
    }

    textBox(band, QRectF(lefts[0], top, widths[0], h), QStringLiteral("Rok kalenda-rzowy"),
            centred(), small);
    textBox(band, QRectF(lefts[1], top, lefts[8] - lefts[1], groupBottom - top),
            QStringLiteral("Wynagrodzenie -przychód (dochód) - uposażenie:*"), centred(), small);
    textBox(band, QRectF(lefts[1], groupBottom, widths[1], bottom - groupBottom),
            QStringLiteral("składniki stałe zł"), centred(), small);
    const char16_t* kinds[] = {u"składniki zmienne", u"inne", u"świadczenia w naturze"};
    for (int k = 0; k < 3; ++k) {
        const std::size_t amount = std::size_t(2 + 2 * k);
        textBox(band,
                QRectF(lefts[amount], groupBottom, widths[amount] + widths[amount + 1],
                       kindBottom - groupBottom),
                QString::fromUtf16(kinds[k]), centred(), small);
        textBox(band, QRectF(lefts[amount], kindBottom, widths[amount], bottom - kindBottom),
                QStringLiteral("kwota zł"), centred(), small);
        textBox(band,
                QRectF(lefts[amount + 1], kindBottom, widths[amount + 1], bottom - kindBottom),
                QStringLiteral("rodzaj"), centred(), small);
    }
    textBox(band, QRectF(lefts[8] + 0.3, top, widths[8] - 0.6, h),
            QStringLiteral("Wynagrodzenie za czas niezdolności do pracy - świadczenia z "
                           "ubezpieczenia społecznego wypłacone zamiast wynagrodzenia - przychodu"),
            centred(), tiny);
    textBox(band, QRectF(lefts[9] + 0.3, top, widths[9] - 0.6, h),
            QStringLiteral("Łączna kwota wynagrodzenia przychodu - świadczeń pieniężnych - "
                           "uposażenia:"),
            centred(), tiny);
    // The numbering row: 1 to 6 over the form's columns, 7 with its sum.
    const std::array<std::pair<double, double>, 7> numbered = {{
        {lefts[0], widths[0]},
        {lefts[1], widths[1]},
        {lefts[2], widths[2] + widths[3]},
        {lefts[4], widths[4] + widths[5]},
        {lefts[6], widths[6] + widths[7]},
        {lefts[8], widths[8]},
        {lefts[9], widths[9]},
    }};
    for (std::size_t n = 0; n < numbered.size(); ++n)
        textBox(band, QRectF(numbered[n].first, bottom, numbered[n].second, numbers - bottom),
                n == 6 ? QStringLiteral("7 (2+3+4+5+6)") : QString::number(n + 1), centred(), tiny,
                false);
}

// The earnings slot texts of one cell of the table.
QString cellText(const EarningsSlot& slot, int column) {
    switch (column) {
        case 0:
            return slot.year;
        // The pictures' leading blanks only pad the fixed width; in a right-aligned cell they
        // would count as text to fit.
        case 1:
            return amountText(slot.pole2, AmountColumn::Wide).trimmed();
        case 2:
            return amountText(slot.pole3, AmountColumn::Narrow).trimmed();
        case 3:
            return slot.pole4;
        case 4:
            return amountText(slot.pole5, AmountColumn::Narrow).trimmed();
        case 5:
            return slot.pole6;
        case 6:
            return amountText(slot.pole7, AmountColumn::Narrow).trimmed();
        case 7:
            return slot.pole8;
        case 8:
            return amountText(slot.pole9, AmountColumn::Narrow).trimmed();
        default:
            return amountText(slot.pole10, AmountColumn::Wide).trimmed();
    }
}

}  // namespace

EarningsTable::EarningsTable(Band& band, double headerTop, double headerBottom,
                             double numbersBottom, const std::array<double, 10>& lefts,
                             const std::array<double, 10>& widths) {
    const double rowsTop = numbersBottom;
    const double end = rowsTop + 10 * kRowHeight;
    earningsHeading(band, headerTop, headerBottom, numbersBottom, end, lefts, widths);
    const double right = lefts[9] + widths[9];
    static const char kNames[] = "abcdefghij";
    for (int r = 0; r < 10; ++r) {
        const double top = rowsTop + r * kRowHeight;
        rule(band, lefts[0], top + kRowHeight, right, top + kRowHeight);
        for (int c = 0; c < 10; ++c) {
            // Years and kinds are centred (kinds wrap inside their cell), amounts right-aligned.
            const bool amount = c == 1 || c == 2 || c == 4 || c == 6 || c == 8 || c == 9;
            const bool kind = c == 3 || c == 5 || c == 7;
            const double pad = 0.6;
            Element& e = band.addLabel(QString(QLatin1Char(kNames[c])) + QString::number(r + 1),
                                       QRectF(lefts[std::size_t(c)] + pad, top + 0.3,
                                              widths[std::size_t(c)] - 2 * pad, kRowHeight - 0.6),
                                       {});
            e.alignment = (amount ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter;
            // Kinds wrap inside their cell and are clipped by it; an amount or a year is never
            // cut: in a font too large for its cell it is set smaller.
            e.wordWrap = kind;
            e.clip = true;
            e.shrinkToFit = !kind;
            cells_[std::size_t(c)][std::size_t(r)] = &e;
        }
    }
}

void EarningsTable::fill(const EarningsPrintBuffer& buffer, std::size_t first,
                         const PrintoutFont& font) {
    for (int r = 0; r < 10; ++r) {
        const EarningsSlot& slot = buffer.rows[first + std::size_t(r)];
        for (int c = 0; c < 10; ++c) {
            Element& e = cell(c, r);
            e.font = font.font;
            e.color = font.color;
            e.caption = cellText(slot, c);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Page 1

Tdruk1::Tdruk1(Rp7Inputs inputs) : in_(inputs) {
    reportPage(Rap1, true);
    Band& b = Rap1.addBand(BandKind::Title, 276.8, QStringLiteral("QRBand1"));
    b.beforePrint = [this](Band&) { return QRBand1BeforePrint(); };
    const QString payer = QStringLiteral("TZlec");
    const QString employee = QStringLiteral("TRP7");
    const QFont small = formText(9);
    const QFont tiny = formText(8);

    // Heading: the payer's stamp, the title.
    b.addBox(QRectF(0, 0, 62, 15.5), 0.2);
    textBox(b, QRectF(0, 15.8, 62, 4), QStringLiteral("Pieczątka pracodawcy - płatnika składek"),
            Qt::AlignHCenter | Qt::AlignTop, tiny, false);
    textBox(b, QRectF(64, 3.5, 126, 8),
            QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU I WYNAGRODZENIU"),
            Qt::AlignHCenter | Qt::AlignVCenter, formBold(16), false);
    textBox(b, QRectF(150, 0, 40, 3.5), QStringLiteral("ZUS Rp-7"), Qt::AlignRight | Qt::AlignTop,
            formBold(9), false);

    // The payer's identifiers.
    captioned(b, 50.8, 21.2, QStringLiteral("1. NIP"), payer, QStringLiteral("NIP"));
    captioned(b, 110.1, 21.2, QStringLiteral("2. REGON"), payer, QStringLiteral("SKROT"));
    text(b, 0, 28.6,
         QStringLiteral("Jeżeli płatnikowi nie nadano nr wym. w pkt. 1i 2, należy podać:"), small);
    captioned(b, 10.6, 36.0, QStringLiteral("Znak:"), employee, QStringLiteral("POLE41"));
    captioned(b, 57.1, 36.0, QStringLiteral("3. Nr PESEL"), payer, QStringLiteral("NAZWA1"));
    captioned(b, 156.6, 36.0, QStringLiteral("lub 4. serię i nr dowodu osobistego lub paszportu"),
              payer, QStringLiteral("NAZWA2"));
    rule(b, 0, 42.0, 190, 42.0, 0.15);

    // Section 1: the employee and the employment.
    captioned(b, 21.2, 50.3, QStringLiteral("1. Pan (Pani) "), employee, QStringLiteral("POLE1"));
    captioned(b, 127.0, 50.3, QStringLiteral("ur."), employee, QStringLiteral("POLE2"));
    text(b, 21.2, 53.9, QStringLiteral("(nazwisko, imię, dla mężatek również nazwisko panieńskie)"),
         tiny);
    captioned(b, 25.4, 57.1, QStringLiteral("(numer PESEL)  "), employee, QStringLiteral("POLE3"));
    captioned(b, 108.0, 57.1, QStringLiteral("(1) była - jest* zatrudniony(a) w okresie od"),
              employee, QStringLiteral("POLE4"));
    captioned(b, 135.5, 57.1, QStringLiteral("do"), employee, QStringLiteral("POLE5"));
    captioned(b, 14.8, 61.4, QStringLiteral("ostatnio"), employee, QStringLiteral("POLE6"));
    text(b, 14.8, 65.0,
         QStringLiteral("(podać - na jakim stanowisku, rodzaj wykonywanej pracy oraz wymiar czasu "
                        "pracy)(2)"),
         tiny);

    // Section 2: pay, benefits and leave during the employment.
    captioned(b, 55.0, 72.0, QStringLiteral("2. w okresie trwania stosunku pracy  Pan(i) "),
              employee, QStringLiteral("POLE7"));
    captioned(b, 55.0, 76.2, QStringLiteral("a) pobierał(a) wynagrodzenie za pracę do"), employee,
              QStringLiteral("POLE8"));
    captioned(b, 148.2, 76.2, QStringLiteral("; wynagrodzenie za czas niezdolności do pracy* od"),
              employee, QStringLiteral("POLE9"));
    captioned(b, 10.6, 80.4, QStringLiteral("do"), employee, QStringLiteral("POLE10"));
    captioned(b, 93.7, 80.4, QStringLiteral("(3); zasiłek chorobowy po dniu 14.11.1991 r. od"),
              employee, QStringLiteral("POLE11"));
    captioned(b, 131.2, 80.4, QStringLiteral("do"), employee, QStringLiteral("POLE12"));
    captioned(b, 50.8, 84.7, QStringLiteral("okres zasiłkowy wyczerpie z dniem "), employee,
              QStringLiteral("POLE13"), reports::arialFont(11, true));
    captioned(b, 103.7, 84.7, QStringLiteral(";(4) zasiłek opiekuńczy od"), employee,
              QStringLiteral("POLE14"));
    captioned(b, 135.5, 84.7, QStringLiteral("do"), employee, QStringLiteral("POLE15"));
    text(b, 156.0, 84.7, QStringLiteral(" ,(4);"));
    captioned(b, 44.5, 88.9, QStringLiteral("swiadczenie rehabilitacyjne od"), employee,
              QStringLiteral("POLE16"));
    captioned(b, 78.3, 88.9, QStringLiteral("do"), employee, QStringLiteral("POLE17"));
    text(b, 0, 93.1,
         QStringLiteral("zasiłki po dniu14.11.1991 r. pobrał(a) także w okresach w załączonym "
                        "wykazie*;"));
    captioned(b, 78.3, 97.4,
              QStringLiteral("b) przebywał(a) na: urlopie bezpłatnym udzielonym w związku "),
              employee, QStringLiteral("POLE18"));
    const std::array<double, 6> leaveLefts = {23.3, 48.7, 76.2, 101.6, 124.9, 150.3};
    const char16_t* leaveCaptions[] = {u"w okresie od  ", u"do", u"od", u"do", u"od", u"do"};
    for (std::size_t i = 0; i < leaveLefts.size(); ++i) {
        before(b, leaveLefts[i], 101.6, QString::fromUtf16(leaveCaptions[i]));
        field(b, leaveLefts[i], 101.6, employee, QStringLiteral("POLE%1").arg(19 + int(i)));
    }
    captioned(b, 52.9, 105.8, QStringLiteral("urlopie wychowawczym* w okresie od"), employee,
              QStringLiteral("POLE25"));
    captioned(b, 74.1, 105.8, QStringLiteral("do"), employee, QStringLiteral("POLE26"));
    captioned(b, 99.5, 105.8, QStringLiteral(", -"), employee, QStringLiteral("POLE27"));
    field(b, 6.3, 110.1, employee, QStringLiteral("POLE28"));
    dottedLine(b, 0, 190, 114.0, QStringLiteral("(inne informacje)"), tiny);

    // Section 3: the earnings table.
    textBox(
        b, QRectF(0, 126.5, 190, 9),
        QStringLiteral("3. Wynagrodzenie  - przychód  (dochód) - uposażenie*- w okresie wybranym "
                       "przez pracownika wynosiło:"),
        Qt::AlignLeft | Qt::AlignBottom, formText(11));
    table_ = std::make_unique<EarningsTable>(b, 137.6, 182.3, 186.8, kLefts1, kWidths1);

    textBox(
        b, QRectF(0, 267.3, 190, 4),
        QStringLiteral("Zasady wykazywania wynagrodzenia - przychodu (dochodu) zamieszczone są na "
                       "stronie drugiej w \"Informacji\"."),
        Qt::AlignLeft | Qt::AlignTop, small, false);
    imprint(b, 272.6, QStringLiteral("RP 7"));
}

bool Tdruk1::QRBand1BeforePrint() {
    table_->fill(in_.buffer, 0, in_.data.printFont(2).value_or(PrintoutFont{formText(11)}));
    return true;
}

reports::Document Tdruk1::generate() {
    reports::Sources sources;
    sources.add(QStringLiteral("TRP7"), in_.data.row(QStringLiteral("TRP7")))
        .add(QStringLiteral("TZlec"), in_.data.row(QStringLiteral("TZlec")));
    return Rap1.generate(sources);
}

// ---------------------------------------------------------------------------------------
// Page 2

namespace {

constexpr double kTitleHeight2 = 270.9;
constexpr double kContinuationHeight = 127.8;
constexpr double kImprintTop2 = 258.2;
// What is left below the continuation table on the same A4 page (277 mm between margins).
constexpr double kTitleHeightAfterContinuation = 277.0 - kContinuationHeight - 0.05;

}  // namespace

Tdruk2::Tdruk2(Rp7Inputs inputs) : in_(inputs) {
    reportPage(Rap1, true);
    Rap1.beforePrint = [this](reports::Report&) { Rap1BeforePrint(); };
    const QString employee = QStringLiteral("TRP7");
    const QFont small = formText(9);
    const QFont tiny = formText(8);

    Band& c = Rap1.addBand(BandKind::PageHeader, kContinuationHeight, QStringLiteral("QRBand2"));
    c.beforePrint = [this](Band&) { return QRBand2BeforePrint(); };
    textBox(c, QRectF(0, 1.2, 190, 4.2),
            QStringLiteral("3. Wynagrodzenie - przychód (dochód) - uposażenie* - ciąg dalszy ze "
                           "strony pierwszej"),
            Qt::AlignLeft | Qt::AlignTop, small, false);
    table_ = std::make_unique<EarningsTable>(c, 6.3, 38.4, 42.9, kLefts2, kWidths2);

    Band& b = Rap1.addBand(BandKind::Title, kTitleHeight2, QStringLiteral("QRBand1"));
    b.beforePrint = [this](Band&) { return QRBand1BeforePrint(); };
    textBox(b, QRectF(0, 1.5, 190, 8.6),
            QStringLiteral("4. Pracodawca - do 31.12.1998 r. zgłaszał pracowników do ubezpieczenia "
                           "społecznego w deklaracji rozliczeniowej bezimiennej - deklaracji"),
            Qt::AlignLeft | Qt::AlignTop, formText(11));
    captioned(b, 46.6, 10.1, QStringLiteral("imiennej* pod numerem konta (NKP)"), employee,
              QStringLiteral("POLE33"));
    captioned(b, 103.7, 10.1, QStringLiteral("w Oddziale ZUS w"), employee,
              QStringLiteral("POLE34"));
    captioned(
        b, 105.8, 14.8,
        QStringLiteral("5. Zaświadczenie niniejsze zostało wystawione na podstawie następujących "
                       "dokumentów:"),
        employee, QStringLiteral("POLE35"));
    field(b, 2.1, 19.1, employee, QStringLiteral("POLE36"));
    dottedLine(b, 0, 190, 22.9);
    captioned(b, 42.3, 27.5, QStringLiteral("6. Dodatkowe informacje (uwagi)"), employee,
              QStringLiteral("POLE37"));
    for (int i = 0; i < 3; ++i) {
        const double top = 31.8 + i * 4.2;
        field(b, 2.1, top, employee, QStringLiteral("POLE%1").arg(38 + i));
        dottedLine(b, 0, 190, top + 3.8);
    }
    textBox(b, QRectF(0, 46.4, 190, 8.6),
            QStringLiteral("7. Wystawienie zaświadczenia niezgodnego z prawdą pociąga za sobą "
                           "odpowiedzialność przewidzianą w odpowiednich przepisach prawa"),
            Qt::AlignLeft | Qt::AlignTop, formText(11));
    const char16_t* notes[] = {
        u" * niepotrzebne skreślić",
        u"1) Podać wszystkie okresy zatrudnienia u pracodawcy, także okresy wcześniejszego "
        u"zatrudnienia w tym zakładzie pracy.",
        u"2) Przy zatrudnieniu w niepełnym wymiarze czasu pracy podać wymiar czasu pracy (np. 1/2 "
        u"etatu).",
        u"3) Podać okresy, za które pracodawca wypłacał wynagrodzenie za czas niezdolności do "
        u"pracy "
        u"z powodu choroby.",
        u"4) Podać okresy pobierania zasiłku chorobowego, opiekuńczego i świadczenia "
        u"rehabilitacyjnego; okresy zasiłków wypłaconych po 14.11.1991 r. wymienia się w "
        u"załączniku nr 1.",
    };
    double top = 56.0;
    for (const char16_t* note : notes) {
        textBox(b, QRectF(0, top, 190, 3.4), QString::fromUtf16(note), Qt::AlignLeft | Qt::AlignTop,
                tiny, false);
        top += 3.4;
    }
    text(b, 0, 82.6, QStringLiteral("Załączniki: ..........."));
    field(b, 16.9, 82.0, employee, QStringLiteral("POLE30"));
    field(b, 4.2, 95.2, employee, QStringLiteral("POLE29"));
    dottedLine(b, 0, 58, 99.2, QStringLiteral("miejscowość i data wystawienia"), tiny);
    dottedLine(b, 64, 124, 99.2,
               QStringLiteral("pieczątka i podpis kierownika jednostki finansowej lub "
                              "upoważnionego pracownika"),
               tiny);
    dottedLine(b, 130, 190, 99.2,
               QStringLiteral("pieczątka i podpis pracodawcy - płatnika składek lub osoby "
                              "upoważnionej"),
               tiny);

    information_ = &b.addRichText(QStringLiteral("INFORMACJA"), QRectF(1.75, 116.4, 186.5, 140.0),
                                  informationHtml());
    information_->font = formText(9);
    imprint_ = imprint(b, kImprintTop2, QStringLiteral("RP 7"));
}

void Tdruk2::Rap1BeforePrint() {
    information_->enabled = in_.data.informationPages();
}

bool Tdruk2::QRBand2BeforePrint() {
    continuation_ = in_.buffer.MoreThanTenRows && !in_.data.informationPages();
    if (!continuation_) return false;
    table_->fill(in_.buffer, 10, in_.data.printFont(2).value_or(PrintoutFont{formText(11)}));
    return true;
}

bool Tdruk2::QRBand1BeforePrint() {
    // Below the continuation table the sections end with the signatures; the imprint goes to
    // the foot of the same page, so that every reverse side is one sheet.
    Band* b = Rap1.band(QStringLiteral("QRBand1"));
    b->height = continuation_ ? kTitleHeightAfterContinuation : kTitleHeight2;
    const double imprintTop = b->height - (kTitleHeight2 - kImprintTop2);
    imprint_[0]->rect.moveTop(imprintTop - 0.4);
    for (std::size_t i = 1; i < imprint_.size(); ++i) imprint_[i]->rect.moveTop(imprintTop);
    return true;
}

reports::Document Tdruk2::generate() {
    // The continuation band decides before the title band; a run without it starts afresh.
    continuation_ = false;
    reports::Sources sources;
    sources.add(QStringLiteral("TRP7"), in_.data.row(QStringLiteral("TRP7")));
    return Rap1.generate(sources);
}

QString Tdruk2::informationHtml() {
    // The note's lines are broken for a text printer; here its paragraphs flow in two columns
    // of equal height, as on the printed form.
    const QStringList lines = data::informationNoteLines(data::InformationNote::Rp7);
    QString subtitle;
    QStringList paragraphs;
    QString current;
    auto flush = [&] {
        if (!current.isEmpty()) paragraphs.append(current);
        current.clear();
    };
    for (int i = 1; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        if (trimmed.isEmpty()) {
            flush();
            continue;
        }
        // The centred line under the title belongs to the heading.
        if (paragraphs.isEmpty() && current.isEmpty() &&
            lines[i].startsWith(QStringLiteral("    "))) {
            subtitle = trimmed;
            continue;
        }
        const int dot = int(trimmed.indexOf(u'.'));
        const bool point = trimmed[0].isDigit() && dot > 0 && dot < 4;
        if (trimmed.startsWith(u'-') || point) flush();
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + trimmed;
        if (point) flush();  // a point's heading stands on its own line
    }
    flush();

    auto html = [](const QString& p) {
        const int dot = int(p.indexOf(u'.'));
        const bool point = p[0].isDigit() && dot > 0 && dot < 4;
        return point ? QStringLiteral("<p style=\"margin-top:3px; margin-bottom:0\"><b>%1</b></p>")
                           .arg(p.toHtmlEscaped())
                     : QStringLiteral("<p style=\"margin:0\">%1</p>").arg(p.toHtmlEscaped());
    };
    // Heights of the paragraphs at the column's width, measured as the page lays them out.
    constexpr double kColumnWidth = 186.5 * 0.49;
    QTextDocument measure;
    measure.documentLayout()->setPaintDevice(const_cast<QPaintDevice*>(reports::referenceDevice()));
    measure.setDefaultFont(formText(9));
    measure.setDocumentMargin(0);
    measure.setTextWidth(kColumnWidth * reports::kReferenceDotsPerMm);
    std::vector<double> heights;
    double total = 0;
    for (const QString& p : paragraphs) {
        measure.setHtml(html(p));
        heights.push_back(measure.size().height());
        total += heights.back();
    }
    std::size_t split = 0;
    for (double left = 0; split < heights.size() && left + heights[split] / 2 < total / 2; ++split)
        left += heights[split];
    // A point's heading goes to the column its text is in.
    if (split > 0 && split < std::size_t(paragraphs.size())) {
        const QString& last = paragraphs[qsizetype(split - 1)];
        const int dot = int(last.indexOf(u'.'));
        if (last[0].isDigit() && dot > 0 && dot < 4) --split;
    }
    QString left, right;
    for (std::size_t i = 0; i < std::size_t(paragraphs.size()); ++i)
        (i < split ? left : right) += html(paragraphs[qsizetype(i)]);
    return QStringLiteral(
               "<p align=\"center\" style=\"margin:0\"><b>INFORMACJA</b></p>"
               "<p align=\"center\" style=\"margin:0 0 2px 0\">%1</p>"
               "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
               "<td width=\"49%\" valign=\"top\">%2</td><td width=\"2%\"></td>"
               "<td width=\"49%\" valign=\"top\">%3</td></tr></table>")
        .arg(subtitle.toHtmlEscaped(), left, right);
}

}  // namespace lumiro::printouts
