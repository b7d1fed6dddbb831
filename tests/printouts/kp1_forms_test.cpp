// The Kp-1 application as a reader of the PDF sees it: every data field at its millimetres,
// the fixed texts of sections I to V, and the information text switched by the print parameter.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTextDocument>

#include "data/information_notes.h"
#include "form_pdf.h"
#include "printouts/form_data.h"
#include "printouts/kp1_forms.h"
#include "reports/text_measure.h"

namespace lumiro::printouts {
namespace {

using namespace formtest;

struct At {
    double top, left;
    const char* table;
    const char* column;
};

const At kPage1[] = {{25.4, 112.2, "TZlec", "SKROT"}, {27.5, 16.9, "TZlec", "NIP"},
                     {38.1, 21.2, "TZlec", "NAZWA1"}, {38.1, 118.5, "TZlec", "NAZWA2"},
                     {55.0, 12.7, "TRP7", "KP1"},     {55.0, 93.1, "TRP7", "KP2"},
                     {55.0, 131.2, "TRP7", "KP3"},    {63.5, 12.7, "TRP7", "KP4"},
                     {63.5, 93.1, "TRP7", "KP5"},     {72.0, 12.7, "TRP7", "KP6"},
                     {72.0, 93.1, "TRP7", "KP7"},     {80.4, 12.7, "TRP7", "KP8"},
                     {78.3, 148.2, "TRP7", "KP9"},    {88.9, 29.6, "TRP7", "KP10"},
                     {88.9, 124.9, "TRP7", "KP11"},   {95.2, 50.8, "TRP7", "KP12"},
                     {103.7, 97.4, "TRP7", "KP13"},   {133.3, 124.9, "TRP7", "KP14"},
                     {133.3, 154.5, "TRP7", "KP15"},  {141.8, 29.6, "TRP7", "KP16"},
                     {141.8, 59.3, "TRP7", "KP17"},   {147.6, 46.6, "TRP7", "POLE30"},
                     {184.2, 10.6, "TRP7", "KP18"},   {184.2, 63.5, "TRP7", "KP19"},
                     {184.2, 116.4, "TRP7", "KP20"},  {192.1, 10.6, "TRP7", "KP21"},
                     {192.1, 63.5, "TRP7", "KP22"},   {192.1, 116.4, "TRP7", "KP23"},
                     {192.1, 141.8, "TRP7", "KP24"},  {211.7, 10.6, "TRP7", "KP25"},
                     {211.7, 36.0, "TRP7", "KP26"},   {211.7, 63.5, "TRP7", "KP27"},
                     {211.7, 116.4, "TRP7", "KP28"},  {219.6, 10.6, "TRP7", "KP29"},
                     {219.6, 63.5, "TRP7", "KP30"},   {219.6, 116.4, "TRP7", "KP31"},
                     {219.6, 141.8, "TRP7", "KP32"},  {241.3, 10.6, "TRP7", "KP33"},
                     {241.3, 36.0, "TRP7", "KP34"},   {241.3, 63.5, "TRP7", "KP35"},
                     {241.3, 116.4, "TRP7", "KP36"},  {249.2, 10.6, "TRP7", "KP37"},
                     {249.2, 63.5, "TRP7", "KP38"},   {249.2, 116.4, "TRP7", "KP39"},
                     {249.2, 141.8, "TRP7", "KP40"}};
const At kPage2[] = {{25.4, 95.2, "TRP7", "KP41"}, {29.6, 97.4, "TRP7", "KP42"},
                     {80.4, 21.2, "TRP7", "KP43"}, {88.9, 86.8, "TRP7", "KP44"},
                     {93.1, 72.0, "TRP7", "KP45"}, {101.6, 44.5, "TRP7", "KP46"}};

// The information text's box on page 2, in mm from the band's corner.
constexpr double kInformationTop = 116.4, kInformationHeight = 148.4;

class Kp1Forms : public ::testing::Test {
  protected:
    Kp1Forms() {
        auto fill = [this](const auto& fields) {
            for (const At& f : fields)
                data.rowOf(QString::fromLatin1(f.table))
                    .set(QString::fromLatin1(f.column), valueOf(QString::fromLatin1(f.column)));
        };
        fill(kPage1);
        fill(kPage2);
    }

    static void expectFields(const PdfPage& page, const At* begin, const At* end) {
        for (const At* f = begin; f != end; ++f)
            expectWordAt(page, valueOf(QString::fromLatin1(f->column)), f->top, f->left);
    }

    FixedFormData data;
    PdfReader pdf;
};

TEST_F(Kp1Forms, PageOneFieldsAndTextsAreWhereTheFormHasThem) {
    Tdruk3 page(data);
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.duplex());
    const auto pages = pdf.read(doc, "kp1-1.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectFields(pages[0], std::begin(kPage1), std::end(kPage1));
    expectTexts(pages[0], {"WNIOSEK O USTALENIE KAPITAŁU POCZĄTKOWEGO",
                           "I. DANE PŁATNIKA SKŁADEK",
                           "Data wpływu do ZUS",
                           "(wypełnia płatnik w przypadku,",
                           "gdy kompletuje wniosek)",
                           "Pieczątka pracodawcy - płatnika składek",
                           "Jeżeli płatnikowi nie nadano nr wym. w pkt. 1i 2, należy podać:",
                           "2. Nr REGON",
                           "1. NIP",
                           "3. Nr PESEL",
                           "albo 4. Serię i nr dowodu osobistego lub paszportu",
                           "II. DANE UBEZPIECZONEGO",
                           "(cz. II,III,IV i V wypełnia ubezpieczony, wnioskodawca)",
                           "1. Nazwisko",
                           "5. Inne poprzednio używane nazwiska",
                           "8. Data urodzenia (dzień-miesiąc-rok)",
                           "9. Płeć (wpisać: K-kobieta, M - mężczyzna)",
                           "10 . Obywatelstwo",
                           "11 Nr ewidencyjny PESEL",
                           "12 Nr identyfikacji podatkowej NIP",
                           "13. Seria i nr dowodu osobistego*) lub paszportu*)",
                           "(podać w przypadku braku nr PESEL i NIP)",
                           "III. WNIOSEK UBEZPIECZONEGO",
                           "1) przeciętną podstawę wymiaru składki na ubezpieczenie społeczne:",
                           "do 31 grudnia 1998., tj. od",
                           "c) z okresu od",
                           "*) (patrz pkt 7 ppkt 3 informacji)",
                           "2) podstawę wymiaru renty*).",
                           "Czytelny podpis wnioskodawcy - pełnomocnika",
                           "IV. DANE ADRESOWE",
                           "1. Adres zameldowania na pobyt stały (osoba zamieszkała za granicą",
                           "2. Adres zamieszkania (wpisać, jeśli adres zamieszkania jest inny",
                           "3. Adres do korespondencji (wpisać, jeśli adres do korespondencji",
                           "Państwo",
                           "Gmina - Dzielnica",
                           "Numer lokalu",
                           "Kp 1",
                           "VX Bertwald"});
    // Each box of section II is 8.7 mm high with its value inside it.
    int personalBoxes = 0;
    for (const reports::BoxItem& box : doc.pages[0].boxes)
        if (std::abs(box.rect.height() - 8.7) < 0.01) ++personalBoxes;
    EXPECT_EQ(personalBoxes, 9);
    // The foot of the page stays on the sheet.
    const PdfWord* maker = word(pages[0], QStringLiteral("Bertwald"));
    ASSERT_NE(maker, nullptr);
    EXPECT_LT(maker->bottomMm(), 297 - kMargin + 0.2);
}

TEST_F(Kp1Forms, PageTwoPrintsTheInformationTextOnlyWhenAsked) {
    Tdruk4 page(data);

    data.information = true;
    reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.duplex());
    auto pages = pdf.read(doc, "kp1-2-on.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectFields(pages[0], std::begin(kPage2), std::end(kPage2));
    const char* const declarations[] = {
        "V. OSWIADCZENIE UBEZPIECZONEGO",
        "Oświadczam, że mam* - miałam(em)*-ustalone prawo do - emerytury*",
        "wydał(o) Oddział ZUS w",
        "* - Biuro",
        "Rent Zagranicznych*, departament Wypłat Świadczeń Zagranicznych* - nr sprawy",
        "Oświadczam, że dane zawarte w cz. II, III i IV podane zostały zgodnie ze stanem "
        "faktycznym, co potwierdzam własnoręcznym podpisem.",
        "czytelny podpis wnioskodawcy - pełnomocnika",
        "data wypełnienia",
        "1. Wnoszę o ustalenie kapitału początkowego.",
        "ZAŁĄCZNIKI:",
        "(podać liczbę)",
        "-zaswiadczenie o zatrudnieniu i wynagrodzeniu (formularz: ZUS Rp - 7) -",
        "-dowody potwierdzające okresy składkowe i nieskładkowe -",
        "egzemplarzy*),",
        "- inne dowody (wymienić rodzaj)",
        "*) niepotrzebne skreślić",
        "Kp 1"};
    for (const char* fixed : declarations)
        EXPECT_TRUE(pages[0].text().contains(QString::fromUtf8(fixed))) << fixed;
    ASSERT_EQ(doc.pages[0].richTexts.size(), 1u);
    const reports::RichItem& information = doc.pages[0].richTexts[0];
    EXPECT_NEAR(information.rect.top(), kMargin + kInformationTop, 0.01);
    EXPECT_NEAR(information.rect.width(), 180.2, 0.01);
    // Laid out at the box's width the whole text fits the box: nothing is clipped.
    EXPECT_LE(information.document->size().height() / reports::kReferenceDotsPerMm,
              kInformationHeight);
    EXPECT_TRUE(pages[0].text().contains(QStringLiteral("INFORMACJA")));
    EXPECT_TRUE(pages[0].text().contains(QStringLiteral("Podstawa wymiaru kapitału")));

    // Off: the same declarations, and nothing at all in the information's space.
    data.information = false;
    doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.pages[0].richTexts.empty());
    for (const reports::TextItem& t : doc.pages[0].texts) {
        const double y = t.origin.y() - kMargin;
        EXPECT_FALSE(y > kInformationTop && y < kInformationTop + kInformationHeight)
            << t.text.toStdString();
    }
    pages = pdf.read(doc, "kp1-2-off.pdf");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(pages[0].text().contains(QStringLiteral("INFORMACJA")));
    for (const char* fixed : declarations)
        EXPECT_TRUE(pages[0].text().contains(QString::fromUtf8(fixed))) << fixed;
    expectFields(pages[0], std::begin(kPage2), std::end(kPage2));

    // The switch is read anew at every run.
    data.information = true;
    EXPECT_EQ(page.generate().pages[0].richTexts.size(), 1u);
}

TEST_F(Kp1Forms, InformationTextAnswersWhatTheApplicationAsks) {
    Tdruk4 page(data);
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages[0].richTexts.size(), 1u);
    const QString plain = doc.pages[0].richTexts[0].document->toPlainText();
    // Points 1 to 9, each heading once.
    for (int point = 1; point <= 9; ++point)
        EXPECT_EQ(plain.count(QRegularExpression(QStringLiteral("(^|\\n)%1\\. ").arg(point))), 1)
            << point;
    for (const char* topic :
         {"17 grudnia 1998", "na dzień 1 stycznia 1999", "płatnik składek",
          "wykazem ubezpieczonych", "ZUS Rp-6", "ZUS Rp-7", "jedną trzecią", "10 kolejnych lat",
          "20 lat kalendarzowych", "podstawę wymiaru renty", "odwołanie"})
        EXPECT_TRUE(plain.contains(QString::fromUtf8(topic))) << topic;
    // Section III, option c) sends the reader to point 7, sub-point 3: the actual, shorter period.
    const QStringList lines = data::informationNoteLines(data::InformationNote::Kp1);
    auto from = [&](qsizetype start, const QString& prefix) {
        for (qsizetype i = start; i < lines.size(); ++i)
            if (lines[i].startsWith(prefix)) return i;
        return qsizetype(-1);
    };
    const qsizetype point7 = from(0, QStringLiteral("7. "));
    ASSERT_GE(point7, 0);
    const qsizetype sub3 = from(point7, QStringLiteral("3) "));
    ASSERT_GT(sub3, point7);
    ASSERT_LT(sub3, from(point7, QStringLiteral("8. ")));
    EXPECT_TRUE(lines[sub3].contains(QStringLiteral("krótszy niż 10 lat")));
    EXPECT_TRUE((lines[sub3] + lines[sub3 + 1]).contains(QStringLiteral("wariant c")));
}

}  // namespace
}  // namespace lumiro::printouts
