// The certificate of current employment that completes an application for the initial
// capital: every value comes from the employee's certificate row, which the certificate
// table holds at most once per employee.
#pragma once

#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

class Tdruk7 : public ReportForm {
  public:
    explicit Tdruk7(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Zaświadczenie"); }
    Kind kind() const override {
        return {QStringLiteral("Zaświadczenie"), QStringLiteral("Zaświadczenie o zatrudnieniu"), 1};
    }

  private:
    FormData& data_;
};

}  // namespace lumiro::printouts
