// The three pages of the application for the initial capital. Leaving a personal-data field
// carries its value into the questionnaire's heading and the certificate's name, birth date
// and PESEL, so that the user types each of them once.
#include <QGridLayout>
#include <QPushButton>

#include "data/data_module.h"
#include "records/form_sheet.h"

namespace lumiro::records {

namespace {

using components::DbEdit;

class Kp1Page : public CaptionedPage {
  public:
    explicit Kp1Page(FormSources& sources);

    void DBEdit46Exit() { copyFrom("KP1", {"R1"}, true); }
    void DBEdit47Exit() { copyFrom("KP2", {"R2"}, true); }
    void DBEdit48Exit() { copyFrom("KP4", {}, true); }
    void DBEdit53Exit() { copyFrom("KP8", {"R3", "POLE2"}, false); }
    void DBEdit57Exit() { copyFrom("KP11", {"R4", "POLE3"}, false); }
    void DBEdit56Exit() { copyFrom("KP12", {"R5"}, false); }
    void DBEdit58Exit() { copyFrom("KP13", {"R6"}, false); }

  private:
    // An empty field copies nothing, so clearing it never wipes what the other forms hold.
    void copyFrom(const char* column, std::initializer_list<const char*> targets, bool rebuildName);
    DbEdit* item(QGridLayout* grid, int row, const QString& label, const char* column,
                 int limit = 0);

    FormSources& sources_;
    FormSheet sheet_;
};

Kp1Page::Kp1Page(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS Kp-1")), sources_(sources), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.line({FormSheet::label(QStringLiteral("ZUS Kp-1"), true)});
    s.heading(QStringLiteral("WNIOSEK O USTALENIE KAPITAŁU POCZĄTKOWEGO"), 3);
    s.space();
    s.section(
        QStringLiteral("II.DANE UBEZPIECZONEGO (cz. II, III ,IV , V) wypełnia "
                       "ubezpieczony, wnioskodawca)"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(3);
    auto exits = [](DbEdit* edit, Kp1Page* page, void (Kp1Page::*handler)()) {
        QObject::connect(edit, &DbEdit::exited, page, handler);
    };
    exits(item(grid, 0, QStringLiteral("1. Nazwisko"), "KP1"), this, &Kp1Page::DBEdit46Exit);
    exits(item(grid, 1, QStringLiteral("2. Pierwsze imię"), "KP2"), this, &Kp1Page::DBEdit47Exit);
    item(grid, 2, QStringLiteral("3. Drugie imię"), "KP3");
    exits(item(grid, 3, QStringLiteral("4. Nazwisko rodowe"), "KP4"), this, &Kp1Page::DBEdit48Exit);
    item(grid, 4, QStringLiteral("5. Inne poprzednio używane nazwiska"), "KP5");
    item(grid, 5, QStringLiteral("6. Imię ojca"), "KP6");
    item(grid, 6, QStringLiteral("7. Imię matki"), "KP7");
    exits(item(grid, 7, QStringLiteral("8. Data urodzenia (dzień-miesiąc-rok)"), "KP8"), this,
          &Kp1Page::DBEdit53Exit);
    item(grid, 8, QStringLiteral("9. Płeć (wpisć: K-kobieta, M-mężczyzna)"), "KP9");
    item(grid, 9, QStringLiteral("10. Obywatelstwo"), "KP10");
    exits(item(grid, 10, QStringLiteral("11. Nr ewidencyjny PESEL"), "KP11", 11), this,
          &Kp1Page::DBEdit57Exit);
    exits(item(grid, 11, QStringLiteral("12 Nr identyfikacji podatkowej NIP"), "KP12", 10), this,
          &Kp1Page::DBEdit56Exit);
    exits(item(grid, 12,
               QStringLiteral("12 Seria i nr dowodu osobistego*) lub paszportu*) (podać w "
                              "przypadku braku nr PESEL i NIP)"),
               "KP13"),
          this, &Kp1Page::DBEdit58Exit);
    grid->setColumnStretch(2, 1);
    s.addLayout(grid);

    s.section(QStringLiteral("III WNIOSEK UBEZPIECZONEGO"));
    s.text(QStringLiteral("1. Wnoszę o ustalenie kapitału początkowego."));
    s.text(QStringLiteral("2. Do obliczenia kapitału początkowego proszę przyjąć:"));
    s.text(QStringLiteral("1) przeciętną podstawę wymiaru składki na ubezpieczenie społeczne:"));
    s.text(
        QStringLiteral("a) z 10 kolejnych lat kalendarzowych z okresu od 1 stycznia 1980 r. "
                       "do 31 grudnia 1998., tj. od"));
    s.line({s.employee(QStringLiteral("KP14"), 11, 10), u"do",
            s.employee(QStringLiteral("KP15"), 11, 10)},
           20);
    s.text(
        QStringLiteral("b) z 20 lat kalendarzowych wybranych z całego okresu podlegania "
                       "ubezpieczeniu przed 1 stycznia 1999 r.*)"));
    s.line({u"c) z okresu od", s.employee(QStringLiteral("KP16"), 11, 10), u"do",
            s.employee(QStringLiteral("KP17"), 11, 10)});
    s.line({u"2) podstawę wymiaru renty*).", s.employee(QStringLiteral("POLE30"), 40)});
    s.finish();
}

DbEdit* Kp1Page::item(QGridLayout* grid, int row, const QString& label, const char* column,
                      int limit) {
    auto* caption = FormSheet::label(label);
    caption->setWordWrap(true);
    caption->setMinimumWidth(caption->fontMetrics().averageCharWidth() * 50);
    caption->setMaximumWidth(caption->fontMetrics().averageCharWidth() * 60);
    grid->addWidget(caption, row, 0);
    DbEdit* edit = sheet_.employee(QString::fromLatin1(column), limit > 0 ? limit + 2 : 36, limit);
    if (limit == 11)
        grid->addWidget(sheet_.withIndicator(edit, IdNumberKind::Pesel), row, 1, Qt::AlignLeft);
    else if (limit == 10)
        grid->addWidget(sheet_.withIndicator(edit, IdNumberKind::Nip), row, 1, Qt::AlignLeft);
    else
        grid->addWidget(edit, row, 1, Qt::AlignLeft);
    return edit;
}

void Kp1Page::copyFrom(const char* column, std::initializer_list<const char*> targets,
                       bool rebuildName) {
    engine::Table& t = sources_.context.dane.TRP7;
    if (!t.isOpen()) return;
    const QString value = columnText(t, column);
    if (value.isEmpty()) return;
    sources_.ZRP7->run([&] {
        sources_.context.dane.Edytuj(t);
        for (const char* target : targets) setColumnText(t, target, value);
        if (rebuildName) {
            setColumnText(
                t, "POLE1",
                columnText(t, "KP1") + u' ' + columnText(t, "KP2") + u' ' + columnText(t, "KP4"));
        }
    });
}

class Kp1AddressPage : public CaptionedPage {
  public:
    explicit Kp1AddressPage(FormSources& sources);

  private:
    FormSheet sheet_;
};

Kp1AddressPage::Kp1AddressPage(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS Kp-1 CD")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.section(QStringLiteral("IV DANE ADRESOWE"));
    struct Address {
        const char16_t* title;
        int firstColumn;  // KP number of the first field; the country comes first when present
        bool country;
    };
    const Address addresses[] = {
        {u"1. Adres zameldowania na pobyt stały", 18, false},
        {u"2. Adres zamieszkania", 25, true},
        {u"3. Adres do korespondencji", 33, true},
    };
    const char16_t* const captions[] = {u"Państwo",           u"Kod pocztowy", u"Poczta",
                                        u"Gmina - Dzielnica", u"Miejscowość",  u"Ulica",
                                        u"Numer domu",        u"Numer lokalu"};
    const int widths[] = {18, 7, 22, 22, 22, 26, 8, 8};
    for (const Address& address : addresses) {
        s.space(6);
        s.text(QString::fromUtf16(address.title), true);
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(1);
        int column = address.firstColumn;
        // Two rows of four boxes, as the form prints them.
        for (int i = 0; i < 8; ++i) {
            const int row = (i / 4) * 2;
            const int col = i % 4;
            grid->addWidget(FormSheet::hint(QString::fromUtf16(captions[i])), row, col);
            if (i == 0 && !address.country) continue;
            const int limit = column == 18 ? 6 : 0;
            grid->addWidget(s.employee(QStringLiteral("KP%1").arg(column), widths[i], limit),
                            row + 1, col, Qt::AlignLeft);
            ++column;
        }
        grid->setColumnStretch(4, 1);
        s.addLayout(grid);
    }
    s.finish();
}

class Kp1StatementPage : public CaptionedPage {
  public:
    explicit Kp1StatementPage(FormSources& sources);

  private:
    FormSheet sheet_;
};

Kp1StatementPage::Kp1StatementPage(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS Kp-1 CD")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.section(QStringLiteral("V. OŚWIADCZENIE UBEZPIECZONEGO"));
    s.text(
        QStringLiteral("Oświadczam, że decyzję o przyznaniu świadczenia przedemerytalnego "
                       "wydał(o) Oddział ZUS w"));
    s.line({s.employee(QStringLiteral("KP41"), 40)}, 20);
    s.text(
        QStringLiteral("Rent Zagranicznych*, departament Wypłat Świadczeń Zagranicznych* - "
                       "nr sprawy "));
    s.line({s.employee(QStringLiteral("KP42"), 40)}, 20);
    s.space(10);
    s.line({FormSheet::label(QStringLiteral("ZAŁĄCZNIKI:"), true),
            s.employee(QStringLiteral("KP43"), 6),
            FormSheet::hint(QStringLiteral("(podać liczbę)"))});
    s.line({u"-zaswiadczenie o zatrudnieniu i wynagrodzeniu (formularz: ZUS Rp - 7) -",
            s.employee(QStringLiteral("KP44"), 6), u"egzemplarzy*),"});
    s.line({u"-dowody potwierdzające okresy składkowe i nieskładkowe -",
            s.employee(QStringLiteral("KP45"), 6), u"egzemplarzy*),"});
    s.line({u"- inne dowody (wymienić rodzaj)", s.employee(QStringLiteral("KP46"), 40)});
    s.endSection();
    s.space(12);
    s.line({s.informationButton(InformationNote::Kp1, QStringLiteral("Button4"))});
    s.finish();
}

}  // namespace

std::vector<FormPage*> createKp1Pages(FormSources& sources) {
    return {new Kp1Page(sources), new Kp1AddressPage(sources), new Kp1StatementPage(sources)};
}

}  // namespace lumiro::records
