// The questionnaire on contributory and non-contributory periods: its heading fields and the
// list of periods.
#include <QGridLayout>
#include <QPushButton>

#include "components/data_grid.h"
#include "components/grouped_header.h"
#include "records/form_sheet.h"

namespace lumiro::records {

namespace {

class Rp6Page : public CaptionedPage {
  public:
    explicit Rp6Page(FormSources& sources);

  private:
    FormSheet sheet_;
};

Rp6Page::Rp6Page(FormSources& sources)
    : CaptionedPage(QStringLiteral("ZUS Rp-6")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.line({FormSheet::label(QStringLiteral("ZUS Rp-6"), true)});
    s.heading(QStringLiteral("KWESTIONARIUSZ DOTYCZĄCY OKRESÓW SKŁADKOWYCH I NIESKŁADKOWYCH"));
    s.text(QStringLiteral("Uwaga: Przed wypełnieniem należy przeczytać informację."))
        ->setAlignment(Qt::AlignHCenter);
    s.space(6);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    int row = 0;
    auto field = [&](const QString& label, QWidget* widget, int column) {
        grid->addWidget(FormSheet::label(label), row, column * 2, Qt::AlignRight);
        grid->addWidget(widget, row, column * 2 + 1, Qt::AlignLeft);
    };
    field(QStringLiteral("Nazwisko:"), s.employee(QStringLiteral("R1"), 30), 0);
    field(QStringLiteral("Imię:"), s.employee(QStringLiteral("R2"), 24), 1);
    ++row;
    field(QStringLiteral("Data ur.:"), s.employee(QStringLiteral("R3"), 12), 0);
    field(QStringLiteral("PESEL"),
          s.withIndicator(s.employee(QStringLiteral("R4"), 13, 11), IdNumberKind::Pesel), 1);
    ++row;
    field(QStringLiteral("NIP"),
          s.withIndicator(s.employee(QStringLiteral("R5"), 12, 10), IdNumberKind::Nip), 0);
    field(QStringLiteral("albo seria i nr dowodu osobistego lub paszportu"),
          s.employee(QStringLiteral("R6"), 16), 1);
    ++row;
    field(QStringLiteral("Zawód wyuczony**"), s.employee(QStringLiteral("R7"), 30), 0);
    field(QStringLiteral("Data:"), s.employee(QStringLiteral("POLE31"), 12), 1);
    grid->setColumnStretch(4, 1);
    s.addLayout(grid);
    s.space(4);

    auto* grid6 = s.grid(sources.ZZal, QStringLiteral("DBGrid2"));
    grid6->addColumn(QStringLiteral("POLE1"), QStringLiteral("od"), 90);
    grid6->addColumn(QStringLiteral("POLE2"), QStringLiteral("do"), 90);
    grid6->addColumn(QStringLiteral("POLE3"),
                     QStringLiteral("Podać kolejno - od ukończenia 15 lat życia - każdy okres "
                                    "ubezpieczenia - zatrudnienia, prowadzenia działalności, "
                                    "służby, niewykonywania pracy itp."),
                     330);
    grid6->addColumn(QStringLiteral("POLE4"),
                     QStringLiteral("** Rodzaj wykonywanej pracy - prowadzonej działalności"), 150);
    grid6->addColumn(QStringLiteral("POLE5"),
                     QStringLiteral("Wymienić dołączone dowody (patrz informacja)"), 300);
    grid6->titles()->setMinimumTitleLines(3);

    for (const char16_t* note : {u"*niepotrzebne skreśłić",
                                 u"**wypełnia tylko osoba ubiegająca się o rentę z tytułu "
                                 u"niezdolności do pracy",
                                 u"***nie należy wypełniać w przypadku wniosku o rentę rodzinną"})
        s.add(FormSheet::hint(QString::fromUtf16(note)));
    s.line({s.informationButton(InformationNote::Rp6, QStringLiteral("Button2"))});
    s.finish(false);
}

}  // namespace

FormPage* createRp6Page(FormSources& sources) {
    return new Rp6Page(sources);
}

}  // namespace lumiro::records
