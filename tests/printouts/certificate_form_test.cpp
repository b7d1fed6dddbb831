// The certificate of employment: every value of the certificate row at its millimetres, and
// for an employee without a certificate row only the fixed texts, never the values of the
// employee printed before.
#include <gtest/gtest.h>

#include "form_pdf.h"
#include "printouts/certificate_form.h"
#include "printouts/form_data.h"

namespace lumiro::printouts {
namespace {

using namespace formtest;

struct At {
    double top, left;
    const char* column;
};

const At kFields[] = {{5.8, 129.1, "POLE1"},    {18.5, 38.1, "POLE2"},    {27.5, 29.6, "POLE3"},
                      {33.9, 23.3, "POLE4"},    {33.9, 105.8, "POLE5"},   {42.3, 4.2, "POLE6"},
                      {42.3, 95.2, "POLE7"},    {48.7, 36.0, "POLE8"},    {59.3, 59.3, "POLE9"},
                      {88.9, 4.2, "POLE10"},    {95.2, 4.2, "POLE11"},    {101.6, 4.2, "POLE12"},
                      {114.3, 10.6, "POLE13"},  {114.3, 42.3, "POLE14"},  {120.7, 21.2, "POLE15"},
                      {127.0, 118.5, "POLE16"}, {133.3, 10.6, "POLE17"},  {133.3, 42.3, "POLE18"},
                      {139.7, 25.4, "POLE19"},  {146.1, 118.5, "POLE20"}, {154.5, 74.1, "POLE21"},
                      {160.9, 50.8, "Pole22"},  {167.2, 97.4, "POLE23"},  {179.9, 4.2, "POLE24"},
                      {186.3, 4.2, "POLE25"},   {192.6, 4.2, "POLE26"},   {199.5, 40.2, "POLE27"},
                      {205.3, 4.2, "POLE28"}};

const std::initializer_list<const char*> kFixed = {
    "ZAŚWIADCZENIE",
    "1. Stwierdza się, że Pan(i)",
    "(imię i nazwisko pracownika-pracownicy)",
    "imiona rodziców",
    "urodzony(a)",
    "(data i miejsce urodz.)",
    "jest zatrudniony(a) w",
    "w okresie od",
    "do nadal, w wymiarze",
    "(podać wymiar czasu pracy)",
    "2. Pracownik-pracownica wykonuje pracę",
    "(zajmowane stanowisko lub pełniona funkcja)",
    "3. Stosunek pracy trwa nadal.",
    "4. W okresie zatrudnienia pracownik-pracownica",
    "a) korzystał(a) z urlopu bezpłatnego (dane dotyczą okresu od dnia zatrudnienia do "
    "31.12.1998 r.)",
    "b) korzystał(a) z urlopu wychowawczego",
    "celem opieki nad dzieckiem",
    "urodzonym",
    "Po wykorzystaniu urlopu wychowawczego ponownie przystąpił(a) do pracy z dniem",
    "c) do odbycia służby wojskowej zwolniony z dniem",
    "Odbył służbę wojskową w okresie",
    "Po odbyciu służby wojskowej ponownie przystapił do pracy z dniem",
    "d) okresy nieskładkowe: 14.11.1991 r.- 31.12.1998 r.:",
    "5. Informacje uzupełniające",
    "6. Zaświadczenie wydaje się w celu uzupełnienia wniosku o ustalenie kapitału "
    "początkowego.",
    "VX Bertwald"};

TEST(CertificateForm, EveryValueIsWhereTheFormHasIt) {
    FixedFormData data;
    for (const At& f : kFields)
        data.rowOf(QStringLiteral("TZal3"))
            .set(QString::fromLatin1(f.column), valueOf(QString::fromLatin1(f.column)));
    Tdruk7 form(data);
    const reports::Document doc = form.generate();
    EXPECT_TRUE(doc.duplex());
    PdfReader pdf;
    const auto pages = pdf.read(doc, "zasw.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const At& f : kFields)
        expectWordAt(pages[0], valueOf(QString::fromLatin1(f.column)), f.top, f.left);
    expectTexts(pages[0], kFixed);
    // The title in 19 px bold, the values in 12 px bold, the texts in 12 px.
    for (const reports::TextItem& t : doc.pages[0].texts) {
        const QFont& font = doc.pages[0].fonts[std::size_t(t.font)];
        if (t.text.startsWith(QStringLiteral("ZAŚWIADCZENIE"))) {
            EXPECT_TRUE(font.bold());
            EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.25);
        } else if (t.text == valueOf(QStringLiteral("POLE9"))) {
            EXPECT_TRUE(font.bold());
            EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
        } else if (t.text == QStringLiteral("3. Stosunek pracy trwa nadal.")) {
            EXPECT_FALSE(font.bold());
            EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
        }
    }
}

// The certificate row follows the employee; one without a row reads empty columns.
TEST(CertificateForm, AnEmployeeWithoutACertificateRowPrintsOnlyTheFixedTexts) {
    FixedFormData data;
    for (const At& f : kFields)
        data.rowOf(QStringLiteral("TZal3"))
            .set(QString::fromLatin1(f.column), valueOf(QString::fromLatin1(f.column)));
    Tdruk7 form(data);
    ASSERT_EQ(form.generate().pages.size(), 1u);

    data.rowOf(QStringLiteral("TZal3")) = reports::FixedValues();
    const reports::Document doc = form.generate();
    PdfReader pdf;
    const auto pages = pdf.read(doc, "zasw-empty.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectTexts(pages[0], kFixed);
    for (const PdfWord& w : pages[0].words)
        EXPECT_FALSE(w.text.startsWith(QStringLiteral("vPOLE")) ||
                     w.text.startsWith(QStringLiteral("vPole")))
            << w.text.toStdString();
}

}  // namespace
}  // namespace lumiro::printouts
