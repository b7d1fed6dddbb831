// The attachment to the certificate of employment: the periods for which benefits were paid.
#include <QGridLayout>

#include "components/data_grid.h"
#include "components/grouped_header.h"
#include "records/form_sheet.h"

namespace lumiro::records {

namespace {

// Year, month and day with the points stored, a blank for each position not yet typed.
const QString kDateMask = QStringLiteral("9999.99.99;1; ");

class AttachmentPage : public CaptionedPage {
  public:
    explicit AttachmentPage(FormSources& sources);

  private:
    FormSheet sheet_;
};

AttachmentPage::AttachmentPage(FormSources& sources)
    : CaptionedPage(QStringLiteral("Załącznik")), sheet_(this, sources) {
    FormSheet& s = sheet_;
    s.line({FormSheet::label(QStringLiteral("Załącznik do ZUS Rp-7"), true)});
    s.heading(QStringLiteral("WYKAZ OKRESÓW ZA KTÓRE ZOSTAŁY WYPŁACONE ZASIŁKI"));
    s.space(6);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    auto field = [&](int row, int column, const QString& label, QWidget* widget) {
        grid->addWidget(FormSheet::label(label), row, column * 2, Qt::AlignRight);
        grid->addWidget(widget, row, column * 2 + 1, Qt::AlignLeft);
    };
    field(0, 0, QStringLiteral("Nazwisko:"), s.employee(QStringLiteral("R1"), 30));
    field(0, 1, QStringLiteral("Imię:"), s.employee(QStringLiteral("R2"), 24));
    field(1, 0, QStringLiteral("Data ur.:"), s.employee(QStringLiteral("R3"), 12));
    field(1, 1, QStringLiteral("PESEL"),
          s.withIndicator(s.employee(QStringLiteral("R4"), 13, 11), IdNumberKind::Pesel));
    field(2, 0, QStringLiteral("NIP"),
          s.withIndicator(s.employee(QStringLiteral("R5"), 12, 10), IdNumberKind::Nip));
    field(2, 1, QStringLiteral("DATA:"), s.employee(QStringLiteral("POLE32"), 12));
    grid->setColumnStretch(4, 1);
    s.addLayout(grid);
    s.space(4);

    auto* benefits = s.grid(sources.Zzal2, QStringLiteral("DBGrid3"));
    benefits->addColumn(QStringLiteral("POLE1"), QStringLiteral("Tytuł zasiłku"), 380);
    const int from = benefits->addColumn(QStringLiteral("POLE2"), QStringLiteral("od"), 110);
    const int to = benefits->addColumn(QStringLiteral("POLE3"), QStringLiteral("do"), 110);
    benefits->setColumnEditMask(from, kDateMask);
    benefits->setColumnEditMask(to, kDateMask);
    s.finish(false);
}

}  // namespace

FormPage* createAttachmentPage(FormSources& sources) {
    return new AttachmentPage(sources);
}

}  // namespace lumiro::records
