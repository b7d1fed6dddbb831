// What a printed document is called outside the program: the file name offered for its PDF,
// the PDF's title and its author (the payer), so that an office files it by what it is and
// whose it is.
#pragma once

#include <QString>

#include "printouts/report_form.h"

namespace lumiro::printouts {

// The heading of the list of insured as typed in the dialog "Parametry zestawienia".
struct ListHeading {
    QString number;
    QString year;
    QString date;
};

struct DocumentLabel {
    QString fileName;  // a name without a folder, e.g. "Rp-7 Kowalska Anna.pdf"
    QString title;     // e.g. "ZUS Rp-7 – Kowalska Anna"
    QString author;    // the payer's name; may be empty
};

// One employee's page of a form: "Rp-7 Kowalska Anna.pdf" and "ZUS Rp-7 – Kowalska Anna";
// a reverse side adds " str. 2" to both, so that saving each side keeps the other.
DocumentLabel employeeDocumentLabel(const ReportForm& form, const QString& employee,
                                    const QString& payer);
// The whole document of one employee, both sides, as lumiro --pdf --each writes it:
// "Rp-7 Kowalska Anna 85010112345.pdf" (the PESEL left out when the card has none).
DocumentLabel employeeFileLabel(const ReportForm& form, const QString& employee,
                                const QString& pesel, const QString& payer);
// Several employees in one file: "ZUS Rp-7 – 4 ubezpieczonych".
QString employeesTitle(const ReportForm& form, int employees);
// The list of insured: "Wykaz ubezpieczonych nr 5-2026 z dnia 2026.12.10.pdf" and
// "Wykaz ubezpieczonych nr 5/2026"; without a number, the date names it.
DocumentLabel listDocumentLabel(const ListHeading& heading, const QString& payer);

// `name` as a file name on every system: no folder separators, no characters a system
// forbids in names, no dots or blanks at its ends; "wydruk.pdf" when nothing is left.
QString safeFileName(const QString& name);

}  // namespace lumiro::printouts
