// The payer's list of the insured persons whose applications go to ZUS together ("Załącznik
// nr 2"): the payer's identifiers, the list's number, year and date, one numbered row per
// marked employee of the current payer in the main grid's order, and the number of
// applications.
#pragma once

#include <functional>
#include <utility>

#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

class Tdruk9 : public ReportForm {
  public:
    // `listedCount` gives the number of listed employees (the entries of WybraneNR) at the
    // start of every run.
    Tdruk9(FormData& data, std::function<int()> listedCount);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Wykaz ubezpieczonych"); }
    Kind kind() const override {
        return {QStringLiteral("Wykaz ubezpieczonych"), QStringLiteral("Wykaz ubezpieczonych"), 1};
    }

    // The heading's list number, year and date, as typed in the dialog; they stay until set
    // again. The same as setting the captions of QNUMER, QROK and QDNIA.
    void setHeading(const QString& number, const QString& year, const QString& date);

    // Sets ilosc and starts the numbering anew, so that every printing numbers from 1.
    void Rap1BeforePrint();
    // Numbers the next row.
    bool QRSubDetail1BeforePrint();

  private:
    FormData& data_;
    std::function<int()> listedCount_;
    int counter_ = 0;
    reports::Element* pozycja_ = nullptr;
    reports::Element* ilosc_ = nullptr;
    reports::Element* numer_ = nullptr;
    reports::Element* rok_ = nullptr;
    reports::Element* dnia_ = nullptr;
};

}  // namespace lumiro::printouts
