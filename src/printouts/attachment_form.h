// Attachment 1 to the ZUS Rp-7: the list of the periods for which the current employee was
// paid benefits, one ruled row per period in the table's order.
#pragma once

#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

class Tdruk6 : public ReportForm {
  public:
    explicit Tdruk6(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Załącznik 1 do Rp-7"); }
    Kind kind() const override {
        return {QStringLiteral("Załącznik 1 do Rp-7"), QStringLiteral("Załącznik 1 do ZUS Rp-7"),
                1};
    }

  private:
    FormData& data_;
};

}  // namespace lumiro::printouts
