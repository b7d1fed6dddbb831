// One printed document page layout ("report form"): its report and how a run of it gets the
// data module's current rows. Forms are made on first use and kept for the run of the program,
// so that their labels keep what the last print set, as the commands expect.
#pragma once

#include <QString>

#include "reports/document.h"
#include "reports/report.h"

namespace lumiro::printouts {

class ReportForm {
  public:
    virtual ~ReportForm() = default;
    ReportForm() = default;
    ReportForm(const ReportForm&) = delete;
    ReportForm& operator=(const ReportForm&) = delete;

    // The pages of one run for the rows the tables stand on now (hooks run anew).
    virtual reports::Document generate() = 0;
    // For print jobs and preview captions, e.g. "Rp-7 str. 1".
    virtual QString documentName() const = 0;
    // The document the page belongs to, as file names call it ("Rp-7") and as the title of
    // its PDF file ("ZUS Rp-7"), and the side of the sheet it is printed on.
    struct Kind {
        QString file;
        QString title;
        int side = 1;
    };
    virtual Kind kind() const = 0;

    reports::Report Rap1;
};

}  // namespace lumiro::printouts
