// What the document layouts read at print time: the current rows of the data module's
// tables, the rows of the detail tables their row bands repeat over, the print parameters and
// the stored printout fonts. The program gives the data module's tables (ModuleFormData);
// tests give fixed values.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

#include "reports/value_source.h"

namespace lumiro::data {
class Tdane;
}

namespace lumiro::platform {
struct FontChoice;
}

namespace lumiro::printouts {

// A printout font the user chose: the type, and the colour its text is printed in.
struct PrintoutFont {
    PrintoutFont(QFont f, QColor c = Qt::black) : font(std::move(f)), color(c) {}
    QFont font;
    QColor color;
};

// The font of a slot of the font file as the printouts use it; nothing when the slot holds no
// usable font. The colour is the stored Windows colour value (0x00BBGGRR); a system colour
// (high byte set) prints black.
std::optional<PrintoutFont> printoutFont(const platform::FontChoice& choice);

class FormData {
  public:
    virtual ~FormData() = default;
    // The current row of a table by its data-module name: "TRP7", "TZlec", "TZal3", ...
    virtual const reports::ValueSource& row(const QString& table) = 0;
    // The rows a band repeats over: "TZal", "Tzal2", "WRP7".
    virtual reports::RowSource& rows(const QString& table) = 0;
    // The parameter B1: the information pages are printed.
    virtual bool informationPages() = 0;
    // The font stored in a slot of the font file (1 Rp-6, 2 Rp-7), if any.
    virtual std::optional<PrintoutFont> printFont(int slot) = 0;
};

// The data module's tables.
class ModuleFormData : public FormData {
  public:
    explicit ModuleFormData(data::Tdane& dane);
    ~ModuleFormData() override;
    const reports::ValueSource& row(const QString& table) override;
    reports::RowSource& rows(const QString& table) override;
    bool informationPages() override;
    std::optional<PrintoutFont> printFont(int slot) override;

  private:
    struct Sources;
    data::Tdane& dane_;
    std::unique_ptr<Sources> sources_;
};

// Fixed values, for tests and for documents made without the tables.
class FixedFormData : public FormData {
  public:
    reports::FixedValues& rowOf(const QString& table) { return values_[table]; }
    reports::FixedRows& rowsOf(const QString& table) { return rows_[table]; }
    bool information = true;
    std::optional<PrintoutFont> fonts[3];

    const reports::ValueSource& row(const QString& table) override { return values_[table]; }
    reports::RowSource& rows(const QString& table) override { return rows_[table]; }
    bool informationPages() override { return information; }
    std::optional<PrintoutFont> printFont(int slot) override {
        return slot >= 0 && slot < 3 ? fonts[slot] : std::nullopt;
    }

  private:
    QHash<QString, reports::FixedValues> values_;
    QHash<QString, reports::FixedRows> rows_;
};

}  // namespace lumiro::printouts
