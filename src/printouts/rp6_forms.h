// The two pages of the ZUS Rp-6 questionnaire on contributory and non-contributory periods.
// Page 1 (`Tdruk5`) carries the insured person's lines and one ruled row per period of the
// current employee, continued on a further page when they do not fit; page 2 (`Tdruk8`) is the
// form's information text and carries no employee data.
#pragma once

#include <array>

#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

class Tdruk5 : public ReportForm {
  public:
    explicit Tdruk5(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Rp-6 str. 1"); }
    Kind kind() const override { return {QStringLiteral("Rp-6"), QStringLiteral("ZUS Rp-6"), 1}; }

    // The period cells take the family of the stored Rp-6 font (slot 1) at the form's own size,
    // so that two lines still fit a row; without a stored font they keep Times New Roman.
    void Rap1BeforePrint();

  private:
    FormData& data_;
    std::array<reports::Element*, 5> cells_{};
};

class Tdruk8 : public ReportForm {
  public:
    // Made like every form; the page reads nothing of the data.
    explicit Tdruk8(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Rp-6 str. 2"); }
    Kind kind() const override { return {QStringLiteral("Rp-6"), QStringLiteral("ZUS Rp-6"), 2}; }
};

}  // namespace lumiro::printouts
