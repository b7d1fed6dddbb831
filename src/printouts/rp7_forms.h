// The two pages of the ZUS Rp-7 certificate of employment and earnings. Page 1 (`Tdruk1`)
// carries the payer's identifiers, sections 1 to 3 and ten rows of earnings; page 2 (`Tdruk2`)
// sections 4 to 7 and the signatures, with either the information text or ten further rows of
// earnings at its head. Both read the current employee and payer rows and the chunk of
// earnings that the print command loaded.
#pragma once

#include <QFont>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "printouts/earnings_print_buffer.h"
#include "printouts/form_data.h"
#include "printouts/report_form.h"

namespace lumiro::printouts {

class FormData;

// What the Rp-7 pages read: the rows, the parameters and fonts, and the loaded earnings chunk.
struct Rp7Inputs {
    FormData& data;
    const EarningsPrintBuffer& buffer;
};

// The hundred cells a1..j10 of one earnings table: columns a (year) to j (total).
class EarningsTable {
  public:
    // Cells of the rows `rowTop` + r × 7.9 mm, columns at the given left edges and widths.
    EarningsTable(reports::Band& band, double headerTop, double headerBottom, double numbersBottom,
                  const std::array<double, 10>& lefts, const std::array<double, 10>& widths);
    // Fills the cells from slots first..first+9 and gives them `font` and its colour.
    void fill(const EarningsPrintBuffer& buffer, std::size_t first, const PrintoutFont& font);
    reports::Element& cell(int column, int row) {
        return *cells_[std::size_t(column)][std::size_t(row)];
    }

  private:
    std::array<std::array<reports::Element*, 10>, 10> cells_{};
};

class Tdruk1 : public ReportForm {
  public:
    explicit Tdruk1(Rp7Inputs inputs);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Rp-7 str. 1"); }
    Kind kind() const override { return {QStringLiteral("Rp-7"), QStringLiteral("ZUS Rp-7"), 1}; }

    bool QRBand1BeforePrint();

  private:
    Rp7Inputs in_;
    std::unique_ptr<EarningsTable> table_;
};

class Tdruk2 : public ReportForm {
  public:
    explicit Tdruk2(Rp7Inputs inputs);
    reports::Document generate() override;
    QString documentName() const override { return QStringLiteral("Rp-7 str. 2"); }
    Kind kind() const override { return {QStringLiteral("Rp-7"), QStringLiteral("ZUS Rp-7"), 2}; }

    void Rap1BeforePrint();
    bool QRBand2BeforePrint();
    bool QRBand1BeforePrint();

    // The information text as it is laid out in the memo, in two columns.
    static QString informationHtml();

  private:
    Rp7Inputs in_;
    std::unique_ptr<EarningsTable> table_;
    reports::Element* information_ = nullptr;
    std::vector<reports::Element*> imprint_;
    bool continuation_ = false;
};

}  // namespace lumiro::printouts
