// The certificate of employment and earnings: its first side, the earnings rows, and its
// second side.
#include <QPlainTextEdit>
#include <QPushButton>

#include "components/data_grid.h"
#include "components/display_format.h"
#include "components/grouped_header.h"
#include "records/form_sheet.h"

namespace lumiro::records {

namespace {

class Rp7FirstSidePage : public CaptionedPage {
  public:
    explicit Rp7FirstSidePage(FormSources& sources);

  private:
    FormSheet sheet_;
};

Rp7FirstSidePage::Rp7FirstSidePage(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS RP-7")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    auto date = [&](const char* column) { return s.employee(QString::fromLatin1(column), 14, 13); };
    s.section(QStringLiteral("STRONA 1"));
    s.line({FormSheet::label(QStringLiteral("ZUS Rp-7"), true), u"Znak:",
            s.employee(QStringLiteral("POLE41"), 24)});
    s.heading(QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU I WYNAGRODZENIU"));
    s.space(6);
    s.line({u"1. Pan(Pani)",
            FormSheet::captioned(
                QStringLiteral("(nazwisko, imię, dla mężatek również nazwisko panieńskie )"),
                s.employee(QStringLiteral("POLE1"), 44)),
            u"ur.", s.employee(QStringLiteral("POLE2"), 12)});
    s.line({FormSheet::captioned(
                QStringLiteral("(numer PESEL)"),
                s.withIndicator(s.employee(QStringLiteral("POLE3"), 13, 11), IdNumberKind::Pesel)),
            u"był(a) zatrudniony(a) w okresie od", s.employee(QStringLiteral("POLE4"), 11, 10),
            u"do", s.employee(QStringLiteral("POLE5"), 11, 10)},
           20);
    s.line({u"ostatnio",
            FormSheet::captioned(QStringLiteral("(podać - na jakim stanowisku,rodzaj wykonywanej "
                                                "pracy oraz wymiar czasu pracy)(2)"),
                                 s.employee(QStringLiteral("POLE6"), 70))},
           20);
    s.space(6);
    s.line(
        {u"2. W okresie trwania stosunku pracy Pan(i)", s.employee(QStringLiteral("POLE7"), 40)});
    s.line({u"a) pobierał(a) wynagrodzenie za pracę do", date("POLE8")}, 20);
    s.line(
        {u"wynagrodzenie za czas niezdolności do pracy* od", date("POLE9"), u"do", date("POLE10")},
        40);
    s.line({u"zasiłek chorobowy po dniu 14.11.1991 r. od", date("POLE11"), u"do", date("POLE12")},
           40);
    s.line({u"okres zasiłkowy wyczerpie z dniem", date("POLE13")}, 40);
    s.line({u"zasiłek opiekuńczy od", date("POLE14"), u"do", date("POLE15")}, 40);
    s.line({u"świadczenia rehabilitacyjne od", date("POLE16"), u"do", date("POLE17")}, 40);
    s.line({u"b) przebywał(a) na: urlopie bezpłatnym udzielonym w związku",
            s.employee(QStringLiteral("POLE18"), 40)},
           20);
    for (int pair = 0; pair < 3; ++pair) {
        const QByteArray from = "POLE" + QByteArray::number(19 + pair * 2);
        const QByteArray to = "POLE" + QByteArray::number(20 + pair * 2);
        s.line({u"w okresie od", date(from.constData()), u"do", date(to.constData())}, 40);
    }
    s.line({u"urlopie wychowawczym* w okresie od", date("POLE25"), u"do", date("POLE26"),
            s.employee(QStringLiteral("POLE27"), 24)},
           40);
    s.line({FormSheet::captioned(QStringLiteral("(inne informacje)"),
                                 s.employee(QStringLiteral("POLE28"), 90))},
           20);
    s.space(6);
    s.text(
        QStringLiteral("3. Do ustalenia podstawy wymiaru emerytury lub renty wynagrodzenie - "
                       "przychód - uposażenie*) w kolejnych latach kalendarzowych "
                       "*-w podanym okresie wybranym wynosiło:"));
    s.finish();
}

class Rp7EarningsPage : public CaptionedPage {
  public:
    explicit Rp7EarningsPage(FormSources& sources);

  private:
    FormSheet sheet_;
};

Rp7EarningsPage::Rp7EarningsPage(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS RP-7 CD")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.heading(QStringLiteral("Wynagrodzenie - przychód - uposażenie:*"), 1);
    auto* grid = s.grid(sources.Zzar, QStringLiteral("DBGrid1"));
    const auto money = components::moneyFormat();
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    auto amount = [&](const char* field, const QString& title, int width) {
        const int column = grid->addColumn(QString::fromLatin1(field), title, width);
        grid->setColumnDisplay(column, money);
        grid->setColumnAlignment(column, right);
        return column;
    };
    grid->addColumn(QStringLiteral("POLE1"), QStringLiteral("Rok kalenda-\nrzowy"), 64);
    amount("POLE2", QStringLiteral("składniki stałe zł"), 92);
    const int variable = amount("POLE3", QStringLiteral("kwota zł"), 92);
    grid->addColumn(QStringLiteral("POLE4"), QStringLiteral("rodzaj"), 110);
    const int other = amount("POLE5", QStringLiteral("kwota zł"), 92);
    grid->addColumn(QStringLiteral("POLE6"), QStringLiteral("rodzaj"), 110);
    const int inKind = amount("POLE7", QStringLiteral("kwota zł"), 92);
    grid->addColumn(QStringLiteral("POLE8"), QStringLiteral("rodzaj"), 110);
    amount("POLE9",
           QStringLiteral("Wynagrodzenie za czas niezdolności do pracy - świadczenia z "
                          "ubezpieczenia społecznego wypłacone zamiast wynagrodzenia - przychodu"),
           170);
    const int total = amount("POLE10",
                             QStringLiteral("Łączna kwota wynagrodzenia - przychodu - świadczeń "
                                            "pieniężnych - uposażenia:"),
                             140);
    grid->setColumnReadOnly(total, true);
    grid->setColumnGroup(variable, variable + 1, QStringLiteral("składniki zmienne"));
    grid->setColumnGroup(other, other + 1, QStringLiteral("inne"));
    grid->setColumnGroup(inKind, inKind + 1, QStringLiteral("świadczenia w naturze"));
    s.finish(false);
}

// The form's footnotes, shown under the second side as the form prints them.
const char16_t kRp7Footnotes[] =
    u"* niepotrzebne skreślić\n"
    u"1) Wymienić okresy niewykonywania pracy, za które pracownik zachował prawo do "
    u"wynagrodzenia lub pobierał zasiłki z ubezpieczenia społecznego.\n"
    u"2) Podać wymiar czasu pracy w przypadku zatrudnienia w niepełnym wymiarze.\n"
    u"3) Wynagrodzenie - przychód stanowiący podstawę wymiaru składek na ubezpieczenie "
    u"społeczne, w kwotach obowiązujących w danym roku kalendarzowym.\n"
    u"4) Świadczenia w naturze podać w kwotach ustalonych według zasad obowiązujących przy "
    u"wymiarze składek.\n"
    u"5) Wymienić dokumenty, na podstawie których wystawiono zaświadczenie, gdy nie są to "
    u"akta osobowe pracownika.";

class Rp7SecondSidePage : public CaptionedPage {
  public:
    explicit Rp7SecondSidePage(FormSources& sources);

  private:
    FormSheet sheet_;
};

Rp7SecondSidePage::Rp7SecondSidePage(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS RP-7 CD")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.section(QStringLiteral("STRONA 2"));
    s.text(
        QStringLiteral("4. Pracodawca - do 31.12.1998 r. zgłaszał pracowników do "
                       "ubezpieczenia społecznego pod numerem konta (NKP)"));
    s.line({s.employee(QStringLiteral("POLE33"), 20), u"w Oddziale ZUS w",
            s.employee(QStringLiteral("POLE34"), 30)},
           20);
    s.space(6);
    s.text(
        QStringLiteral("5. Zaświadczenie niniejsze zostało wystawione na podstawie "
                       "następujących dokumentów:"));
    s.line({s.employee(QStringLiteral("POLE35"), 50)}, 20);
    s.line({s.employee(QStringLiteral("POLE36"), 90)}, 20);
    s.space(6);
    s.text(QStringLiteral("6. Dodatkowe informacje (uwagi)"));
    s.line({s.employee(QStringLiteral("POLE37"), 90)}, 20);
    for (const char* column : {"POLE38", "POLE39", "POLE40"})
        s.line({s.employee(QString::fromLatin1(column), 90)}, 20);
    s.space(6);
    s.line({u"Załączniki:", s.employee(QStringLiteral("POLE30"), 40)});
    s.line({FormSheet::captioned(QStringLiteral("Miejscowość i data wystawienia"),
                                 s.employee(QStringLiteral("POLE29"), 40))});
    s.space(6);
    s.text(QStringLiteral("7. Wystawienie zaświadczenia niezgodnego z prawdą pociąga za sobą "
                          "odpowiedzialność przewidzianą w odpowiednich przepisach prawa"),
           true);
    auto* notes = new QPlainTextEdit(QString::fromUtf16(kRp7Footnotes));
    notes->setObjectName(QStringLiteral("Memo1"));
    notes->setReadOnly(true);
    notes->setFocusPolicy(Qt::NoFocus);
    notes->setFixedHeight(notes->fontMetrics().lineSpacing() * 7 + 12);
    s.add(notes);
    s.line({s.informationButton(InformationNote::Rp7, QStringLiteral("Button1"))});
    s.finish();
}

}  // namespace

std::vector<FormPage*> createRp7Pages(FormSources& sources) {
    return {new Rp7FirstSidePage(sources), new Rp7EarningsPage(sources),
            new Rp7SecondSidePage(sources)};
}

}  // namespace lumiro::records
