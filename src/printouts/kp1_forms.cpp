#include "printouts/kp1_forms.h"

#include <initializer_list>
#include <iterator>

#include "data/information_notes.h"
#include "printouts/form_data.h"
#include "printouts/form_drawing.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;

constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kTopCentre = Qt::AlignHCenter | Qt::AlignTop;

// The boxes of section II: the caption at the top, the value 4.4 mm below the box's top edge.
constexpr double kPersonalBoxHeight = 8.7;
constexpr double kPersonalValueDrop = 4.4;
// The address boxes: two rows of 7.9 mm per block, the value 4.0 mm below the top edge.
constexpr double kAddressBoxHeight = 7.9;
constexpr double kAddressValueDrop = 4.0;
// Values sit 2.1 mm inside their box.
constexpr double kInset = 2.1;

const QString kEmployee = QStringLiteral("TRP7");
const QString kPayer = QStringLiteral("TZlec");

// A box of section II or IV whose value starts `kInset` from its left edge.
void valueBox(Band& band, double left, double right, double valueTop, double drop, double height,
              const QString& caption, const QString& column) {
    captionBox(band, QRectF(left, valueTop - drop, right - left, height), caption);
    field(band, left + kInset, valueTop, kEmployee, column);
}

struct AddressBox {
    double left;
    const char16_t* caption;
};

// One address block of section IV: its heading and two rows of boxes; columns numbered from
// `firstColumn` in the order the boxes are read.
void addressBlock(Band& band, double headingTop, const QString& heading, double firstRowValueTop,
                  std::initializer_list<AddressBox> firstRow, int firstColumn) {
    textBox(band, QRectF(0, headingTop, 190, 3.6), heading, kTopLeft, formText(9), false);
    const AddressBox secondRow[] = {{8.5, u"  Miejscowość"},
                                    {61.4, u"  Ulica"},
                                    {114.3, u"  Numer domu"},
                                    {139.7, u"  Numer lokalu"}};
    int column = firstColumn;
    auto row = [&](const AddressBox* begin, const AddressBox* end, double valueTop) {
        for (const AddressBox* b = begin; b != end; ++b) {
            const double right = b + 1 != end ? (b + 1)->left : 190.0;
            valueBox(band, b->left, right, valueTop, kAddressValueDrop, kAddressBoxHeight,
                     QString::fromUtf16(b->caption), QStringLiteral("KP%1").arg(column++));
        }
    };
    row(firstRow.begin(), firstRow.end(), firstRowValueTop);
    row(std::begin(secondRow), std::end(secondRow), firstRowValueTop + kAddressBoxHeight);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Page 1

Tdruk3::Tdruk3(FormData& data) : data_(data) {
    formPage(Rap1, true);
    Band& b = Rap1.addBand(BandKind::Title, 276.8, QStringLiteral("QRBand1"));
    const QFont small = formText(9);
    const QFont tiny = formText(8);
    const QFont heading = formBold(11);

    // Heading: the payer's stamp, the title, the date of receipt.
    b.addBox(QRectF(0, 0, 58, 12.4), 0.2);
    textBox(b, QRectF(0, 12.6, 58, 3.2), QStringLiteral("Pieczątka pracodawcy - płatnika składek"),
            kTopCentre, tiny, false);
    textBox(b, QRectF(60, 1.0, 88, 13), QStringLiteral("WNIOSEK O USTALENIE KAPITAŁU POCZĄTKOWEGO"),
            Qt::AlignHCenter | Qt::AlignVCenter, formBold(15));
    textBox(b, QRectF(150, 0, 40, 3.5), QStringLiteral("ZUS Kp-1"), Qt::AlignRight | Qt::AlignTop,
            formBold(9), false);
    captionBox(b, QRectF(150, 3.8, 40, 11.2), QStringLiteral("Data wpływu do ZUS"));

    // Section I: the payer.
    text(b, 0, 17.0, QStringLiteral("I. DANE PŁATNIKA SKŁADEK"), heading);
    text(b, 44.0, 16.6, QStringLiteral("(wypełnia płatnik w przypadku,"), tiny);
    text(b, 44.0, 19.6, QStringLiteral("gdy kompletuje wniosek)"), tiny);
    captioned(b, 112.2, 25.4, QStringLiteral("2. Nr REGON  "), kPayer, QStringLiteral("SKROT"));
    captioned(b, 16.9, 27.5, QStringLiteral("1. NIP     "), kPayer, QStringLiteral("NIP"));
    text(b, 4.5, 32.6,
         QStringLiteral("Jeżeli płatnikowi nie nadano nr wym. w pkt. 1i 2, należy podać:"), small);
    captioned(b, 21.2, 38.1, QStringLiteral("3. Nr PESEL "), kPayer, QStringLiteral("NAZWA1"));
    captioned(b, 118.5, 38.1, QStringLiteral("albo 4. Serię i nr dowodu osobistego lub paszportu"),
              kPayer, QStringLiteral("NAZWA2"));
    hline(b, 0, 190, 43.4, 0.15);

    // Section II: the insured person, items 1 to 9 in boxes.
    text(b, 0, 44.6, QStringLiteral("II. DANE UBEZPIECZONEGO "), heading);
    text(b, 48.0, 45.2, QStringLiteral("(cz. II,III,IV i V wypełnia ubezpieczony, wnioskodawca)"),
         small);
    const double l = 10.6, m = 91.0, r = 129.1, end = 190.0;
    auto personal = [&](double left, double right, double valueTop, const QString& caption,
                        const QString& column) {
        valueBox(b, left, right, valueTop, kPersonalValueDrop, kPersonalBoxHeight, caption, column);
    };
    personal(l, m, 55.0, QStringLiteral("  1. Nazwisko"), QStringLiteral("KP1"));
    personal(m, r, 55.0, QStringLiteral("  2. Pierwsze imię"), QStringLiteral("KP2"));
    personal(r, end, 55.0, QStringLiteral("  3. Drugie imię"), QStringLiteral("KP3"));
    personal(l, m, 63.5, QStringLiteral("  4. Nazwisko rodowe"), QStringLiteral("KP4"));
    personal(m, end, 63.5, QStringLiteral("  5. Inne poprzednio używane nazwiska"),
             QStringLiteral("KP5"));
    personal(l, m, 72.0, QStringLiteral("  6. Imię ojca"), QStringLiteral("KP6"));
    personal(m, end, 72.0, QStringLiteral("  7. Imię matki"), QStringLiteral("KP7"));
    personal(l, m, 80.4, QStringLiteral("  8. Data urodzenia (dzień-miesiąc-rok) "),
             QStringLiteral("KP8"));
    // Item 9 takes one letter, in a square at the right end of its box.
    captionBox(b, QRectF(m, 80.4 - kPersonalValueDrop, 156.0 - m, kPersonalBoxHeight),
               QStringLiteral("  9. Płeć (wpisać: K-kobieta, M - mężczyzna)"));
    b.addBox(QRectF(146.8, 77.4, 7.4, 6.0), 0.2);
    field(b, 148.2, 78.3, kEmployee, QStringLiteral("KP9"));

    // Items 10 to 13 as lines.
    captioned(b, 29.6, 88.9, QStringLiteral("10 . Obywatelstwo"), kEmployee,
              QStringLiteral("KP10"));
    captioned(b, 124.9, 88.9, QStringLiteral("11 Nr ewidencyjny PESEL"), kEmployee,
              QStringLiteral("KP11"));
    captioned(b, 50.8, 95.2, QStringLiteral("12 Nr identyfikacji podatkowej NIP"), kEmployee,
              QStringLiteral("KP12"));
    text(b, 97.4, 95.2, QStringLiteral("13. Seria i nr dowodu  osobistego*) lub paszportu*)"),
         small);
    text(b, 97.4, 98.8, QStringLiteral("(podać w przypadku braku nr PESEL i NIP)"), tiny);
    field(b, 97.4, 103.7, kEmployee, QStringLiteral("KP13"));
    dottedLine(b, 29.6, 90.0, 92.7);
    dottedLine(b, 124.9, 190.0, 92.7);
    dottedLine(b, 50.8, 90.0, 99.0);
    dottedLine(b, 97.4, 190.0, 107.5);
    hline(b, 0, 190, 109.6, 0.15);

    // Section III: the request and the base of the initial capital.
    text(b, 0, 110.8, QStringLiteral("III. WNIOSEK UBEZPIECZONEGO"), heading);
    text(b, 4.5, 117.6, QStringLiteral("1. Wnoszę o ustalenie kapitału początkowego."));
    text(b, 4.5, 123.2,
         QStringLiteral("2. Do ustalenia wysokości kapitału początkowego proszę przyjąć*):"));
    text(b, 10.8, 128.9,
         QStringLiteral("1) przeciętną podstawę wymiaru składki na ubezpieczenie społeczne:"));
    captioned(b, 124.9, 133.3,
              QStringLiteral("a) z 10 kolejnych lat kalendarzowych z okresu od 1 stycznia 1980 r. "
                             "do 31 grudnia 1998., tj. od"),
              kEmployee, QStringLiteral("KP14"));
    captioned(b, 154.5, 133.3, QStringLiteral("do"), kEmployee, QStringLiteral("KP15"));
    text(b, 13.3, 137.5,
         QStringLiteral("b) z 20 lat kalendarzowych dowolnie wybranych z całego okresu "
                        "ubezpieczenia przed 1 stycznia 1999 r.,"));
    captioned(b, 29.6, 141.8, QStringLiteral("c) z okresu od "), kEmployee, QStringLiteral("KP16"));
    captioned(b, 59.3, 141.8, QStringLiteral("do"), kEmployee, QStringLiteral("KP17"));
    text(b, 78.0, 141.8, QStringLiteral("*) (patrz pkt 7 ppkt 3 informacji)"));
    captioned(b, 46.6, 147.6, QStringLiteral("2) podstawę wymiaru renty*)."), kEmployee,
              QStringLiteral("POLE30"));
    dottedLine(b, 112.0, 190.0, 160.4,
               QStringLiteral("Czytelny podpis wnioskodawcy - pełnomocnika"), tiny);
    hline(b, 0, 190, 166.6, 0.15);

    // Section IV: the three addresses.
    text(b, 0, 167.8, QStringLiteral("IV. DANE ADRESOWE"), heading);
    addressBlock(b, 176.1,
                 QStringLiteral("1. Adres zameldowania na pobyt stały (osoba zamieszkała za "
                                "granicą wpisuje ostatni adres zameldowania na pobyt stały w "
                                "Polsce):"),
                 184.2,
                 {{8.5, u"  Kod pocztowy"}, {61.4, u"  Poczta"}, {114.3, u"  Gmina - Dzielnica"}},
                 18);
    addressBlock(b, 203.6,
                 QStringLiteral("2. Adres zamieszkania (wpisać, jeśli adres zamieszkania jest "
                                "inny niż adres zameldowania na pobyt stały):"),
                 211.7,
                 {{8.5, u"  Państwo"},
                  {33.9, u"  Kod pocztowy"},
                  {61.4, u"  Poczta"},
                  {114.3, u"  Gmina - Dzielnica"}},
                 25);
    addressBlock(b, 233.2,
                 QStringLiteral("3. Adres do korespondencji (wpisać, jeśli adres do "
                                "korespondencji jest inny niż adres zameldowania na pobyt stały "
                                "lub adres zamieszkania):"),
                 241.3,
                 {{8.5, u"  Państwo"},
                  {33.9, u"  Kod pocztowy"},
                  {61.4, u"  Poczta"},
                  {114.3, u"  Gmina - Dzielnica"}},
                 33);

    text(b, 0, 264.6, QStringLiteral("*) niepotrzebne skreślić"), tiny);
    imprint(b, 272.6, QStringLiteral("Kp 1"));
}

reports::Document Tdruk3::generate() {
    reports::Sources sources;
    sources.add(kEmployee, data_.row(kEmployee)).add(kPayer, data_.row(kPayer));
    return Rap1.generate(sources);
}

// ---------------------------------------------------------------------------------------
// Page 2

namespace {

constexpr double kInformationTop = 116.4;
constexpr double kInformationWidth = 180.2;
constexpr double kInformationHeight = 148.4;

QString kp1InformationHtml() {
    return informationNoteHtml(data::informationNoteLines(data::InformationNote::Kp1),
                               kInformationWidth, formText(9), true);
}

}  // namespace

Tdruk4::Tdruk4(FormData& data) : data_(data) {
    formPage(Rap1, true);
    Rap1.beforePrint = [this](reports::Report&) { Rap1BeforePrint(); };
    Band& b = Rap1.addBand(BandKind::Title, 278.1, QStringLiteral("QRBand1"));
    const QFont declaration = formText(10);
    const QFont tiny = formText(8);

    // Section V: the declarations of the insured person.
    text(b, 0, 1.6, QStringLiteral("V. OSWIADCZENIE UBEZPIECZONEGO"), formBold(11));
    text(b, 0, 8.5,
         QStringLiteral("Oświadczam, że mam* - miałam(em)*-ustalone prawo do - emerytury* - renty "
                        "z tytułu niezdolności do pracy (renty inwalidzkiej)* - "),
         declaration);
    text(b, 0, 12.7,
         QStringLiteral("renty rodzinnej* - świadczenia przedemerytalnego* - zasiłku "
                        "przedemerytalnego* - nie mam ustalonego prawa do żadnego z tych "
                        "świadczeń*."),
         declaration);
    text(b, 0, 16.9,
         QStringLiteral("Wniosek o emeryturę lub rentę zgłosiłam(em)* - nie zgłaszałam(em)*; "
                        "jeżeli prawo do świadczenia zostało ustalone, podaję, kto wydał decyzję:"),
         declaration);
    before(b, 95.2, 25.4,
           QStringLiteral("Decyzję w sprawie ustalenia prawa do tego świadczenia wydał(o) Oddział "
                          "ZUS w"),
           declaration);
    field(b, 95.2, 25.4, kEmployee, QStringLiteral("KP41"));
    textBox(b, QRectF(150, 25.4, 40, 4.0), QStringLiteral("* - Biuro"),
            Qt::AlignRight | Qt::AlignTop, declaration, false);
    before(b, 97.4, 29.6,
           QStringLiteral("Rent Zagranicznych*, departament Wypłat Świadczeń Zagranicznych* - nr "
                          "sprawy "),
           declaration);
    field(b, 97.4, 29.6, kEmployee, QStringLiteral("KP42"));
    text(b, 0, 35.2,
         QStringLiteral("Oświadczam, że dane zawarte w cz. II, III i IV podane zostały zgodnie ze "
                        "stanem faktycznym, co potwierdzam własnoręcznym podpisem."),
         declaration);
    dottedLine(b, 0, 60, 50.0, QStringLiteral("                 data wypełnienia"), tiny);
    dottedLine(b, 112, 190, 50.0, QStringLiteral("czytelny podpis wnioskodawcy - pełnomocnika"),
               tiny);

    // The request, as on page 1, and the attachments with their counts.
    hline(b, 0, 190, 58.4, 0.15);
    text(b, 4.5, 60.0, QStringLiteral("1. Wnoszę o ustalenie kapitału początkowego."));
    hline(b, 0, 190, 66.0, 0.15);
    text(b, 2.0, 80.4, QStringLiteral("ZAŁĄCZNIKI:"));
    field(b, 21.2, 80.4, kEmployee, QStringLiteral("KP43"));
    text(b, 60.0, 80.8, QStringLiteral("(podać liczbę)"), tiny);
    text(b, 2.1, 84.7,
         QStringLiteral("-kwestionariusz dotyczący okresów składkowych i nieskładkowych "
                        "(formularz: ZUS Rp - 6),"),
         declaration);
    text(b, 2.1, 88.9,
         QStringLiteral("-zaswiadczenie o zatrudnieniu i wynagrodzeniu (formularz: ZUS Rp - 7) -"),
         declaration);
    field(b, 86.8, 88.9, kEmployee, QStringLiteral("KP44"));
    text(b, 96.0, 88.9, QStringLiteral("egzemplarzy*),"), declaration);
    text(b, 2.1, 93.1, QStringLiteral("-dowody potwierdzające okresy składkowe i nieskładkowe -"),
         declaration);
    field(b, 72.0, 93.1, kEmployee, QStringLiteral("KP45"));
    text(b, 81.2, 93.1, QStringLiteral("egzemplarzy*),"), declaration);
    text(b, 2.1, 97.3,
         QStringLiteral("-świadectwa pracy i inne dokumenty potwierdzające wysokość "
                        "wynagrodzenia*),"),
         declaration);
    text(b, 2.1, 101.6, QStringLiteral("- inne dowody (wymienić rodzaj)"), declaration);
    field(b, 44.5, 101.6, kEmployee, QStringLiteral("KP46"));
    dottedLine(b, 44.5, 190, 105.4);
    text(b, 0, 108.6, QStringLiteral("*) niepotrzebne skreślić"), tiny);

    information_ = &b.addRichText(QStringLiteral("Informacja"),
                                  QRectF((190 - kInformationWidth) / 2, kInformationTop,
                                         kInformationWidth, kInformationHeight),
                                  kp1InformationHtml());
    information_->font = formText(9);
    imprint(b, 270.9, QStringLiteral("Kp 1"));
}

void Tdruk4::Rap1BeforePrint() {
    information_->enabled = data_.informationPages();
}

reports::Document Tdruk4::generate() {
    reports::Sources sources;
    sources.add(kEmployee, data_.row(kEmployee));
    return Rap1.generate(sources);
}

}  // namespace lumiro::printouts
