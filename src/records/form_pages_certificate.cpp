// The employer's certificate of employment: one row per employee, typed here or filled from
// the card with "Import danych".
#include "data/data_module.h"
#include "records/form_sheet.h"

namespace lumiro::records {

namespace {

class CertificatePage : public CaptionedPage {
  public:
    explicit CertificatePage(FormSources& sources);

    bool importsData() const override { return true; }
    void importData() override { SpeedButton15Click(); }
    void SpeedButton15Click();

  private:
    FormSources& sources_;
    FormSheet sheet_;
};

CertificatePage::CertificatePage(FormSources& sources)
    : CaptionedPage(QStringLiteral("Zaświadczenie")), sources_(sources), sheet_(this, sources) {
    FormSheet& s = sheet_;
    auto field = [&](const char* column, int chars) {
        return s.edit(sources.ZZal3, QString::fromLatin1(column), chars);
    };
    // Place and date stand at the right edge, as on the printed certificate.
    s.line({FormSheet::captioned(QStringLiteral("miejscowość, dnia"), field("POLE1", 30))})
        ->insertStretch(0);
    s.heading(QStringLiteral("ZAŚWIADCZENIE"), 3);
    s.space(6);
    s.line({u"1. Stwierdza się, że Pan(i)",
            FormSheet::captioned(QStringLiteral("(imię i nazwisko pracownika-pracownicy)"),
                                 field("POLE2", 50))});
    s.line({u"imiona rodziców", field("POLE3", 50)}, 20);
    s.line({u"urodzony(a)", field("POLE4", 40)}, 20);
    s.line({u"jest zatrudniony(a) w", field("POLE5", 50)}, 20);
    s.line({field("POLE6", 50)}, 20);
    s.line({u"w okresie od", field("POLE7", 16), u"do nadal, w wymiarze",
            FormSheet::captioned(QStringLiteral("(podać wymiar czasu pracy)"), field("POLE8", 40))},
           20);
    s.line({u"2. Pracownik-pracownica wykonuje pracę",
            FormSheet::captioned(QStringLiteral("(zajmowane stanowisko lub pełniona funkcja)"),
                                 field("POLE9", 50))});
    s.text(QStringLiteral("3. Stosunek pracy trwa nadal."));
    s.text(QStringLiteral("4. W okresie zatrudnienia pracownik-pracownica"));
    s.text(
        QStringLiteral("a) korzystał(a) z urlopu bezpłatnego (dane dotyczą okresu od dnia "
                       "zatrudnienia do 31.12.1998 r.)"));
    for (const char* column : {"POLE10", "POLE11", "POLE12"}) s.line({field(column, 80)}, 20);
    s.text(QStringLiteral("b) korzystał(a) z urlopu wychowawczego"));
    s.line({u"od", field("POLE13", 14), u"do", field("POLE14", 14), u"celem opieki nad dzieckiem",
            u"urodzonym", field("POLE15", 30)},
           20);
    s.line({u"Po wykorzystaniu urlopu wychowawczego ponownie przystąpił(a) do pracy z dniem",
            field("POLE16", 14)},
           20);
    s.line({u"od", field("POLE17", 14), u"do", field("POLE18", 14), u"celem opieki nad dzieckiem",
            u"urodzonym", field("POLE19", 30)},
           20);
    s.line({u"Po wykorzystaniu urlopu wychowawczego ponownie przystąpił(a) do pracy z dniem",
            field("POLE20", 14)},
           20);
    s.line({u"c) do odbycia służby wojskowej zwolniony z dniem", field("POLE21", 14)});
    s.line({u"Odbył słuzbę wojskową w okresie", field("POLE22", 30)}, 20);
    s.line(
        {u"Po odbyciu służby wojskowej ponownie przystapił do pracy z dniem", field("POLE23", 14)},
        20);
    s.text(QStringLiteral("d) okresy nieskładkowe: 14.11.1991 r.- 31.12.1998 r.:"));
    for (const char* column : {"POLE24", "POLE25", "POLE26"}) s.line({field(column, 80)}, 20);
    s.text(QStringLiteral("5. Informacje uzupełniające"));
    for (const char* column : {"POLE27", "POLE28"}) s.line({field(column, 80)}, 20);
    s.finish();
}

void CertificatePage::SpeedButton15Click() {
    data::Tdane& dane = sources_.context.dane;
    engine::Table& card = dane.TRP7;
    engine::Table& certificate = dane.TZal3;
    if (!card.isOpen() || !certificate.isOpen()) return;
    // A value typed into the certificate but not yet in its row must not be lost by the import.
    if (!sources_.ZZal3->updateRecord() || !sources_.ZRP7->updateRecord()) return;
    const bool done = sources_.ZZal3->run([&] {
        if (certificate.state() == engine::TableState::Browse) {
            if (certificate.isEmpty())
                certificate.insert();
            else
                certificate.edit();
        }
        setColumnText(certificate, "POLE1", dane.values().DataDzis);
        setColumnText(certificate, "POLE2", columnText(card, "POLE1"));
        setColumnText(certificate, "POLE3",
                      columnText(card, "KP6") + u' ' + columnText(card, "KP7"));
        setColumnText(certificate, "POLE4", columnText(card, "POLE2"));
        setColumnText(certificate, "POLE7", columnText(card, "POLE4"));
    });
    if (done) dane.ZapiszRekord(certificate);
}

}  // namespace

FormPage* createCertificatePage(FormSources& sources) {
    return new CertificatePage(sources);
}

}  // namespace lumiro::records
