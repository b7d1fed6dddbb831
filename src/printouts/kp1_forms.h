// The two pages of the ZUS Kp-1 application for establishing the initial capital. Page 1
// (`Tdruk3`) carries the payer's identifiers, the insured person's data, the request with the
// choice of the base period and the three addresses; page 2 (`Tdruk4`) the declarations, the
// attachments and, when the information pages are printed, the information text. Both read
// the current employee and payer rows.
#pragma once

#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

class Tdruk3 : public ReportForm {
  public:
    explicit Tdruk3(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Kp-1 str. 1"); }
    Kind kind() const override { return {QStringLiteral("Kp-1"), QStringLiteral("ZUS Kp-1"), 1}; }

  private:
    FormData& data_;
};

class Tdruk4 : public ReportForm {
  public:
    explicit Tdruk4(FormData& data);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Kp-1 str. 2"); }
    Kind kind() const override { return {QStringLiteral("Kp-1"), QStringLiteral("ZUS Kp-1"), 2}; }

    // The information text prints exactly when the information pages are switched on; its
    // space stays empty otherwise.
    void Rap1BeforePrint();

  private:
    FormData& data_;
    reports::Element* information_ = nullptr;
};

}  // namespace lumiro::printouts
