#include "printouts/form_data.h"

#include <map>

#include "data/data_module.h"
#include "platform/font_chooser.h"
#include "printouts/table_sources.h"

namespace lumiro::printouts {

struct ModuleFormData::Sources {
    std::map<QString, std::unique_ptr<TableValues>> values;
    std::map<QString, std::unique_ptr<TableRows>> rows;
};

ModuleFormData::ModuleFormData(data::Tdane& dane)
    : dane_(dane), sources_(std::make_unique<Sources>()) {}

ModuleFormData::~ModuleFormData() = default;

namespace {

engine::Table* tableNamed(data::Tdane& dane, const QString& name) {
    const struct {
        const char* name;
        engine::Table data::Tdane::*table;
    } tables[] = {{"TRP7", &data::Tdane::TRP7},   {"WRP7", &data::Tdane::WRP7},
                  {"TZlec", &data::Tdane::TZlec}, {"Tzar", &data::Tdane::Tzar},
                  {"TZal", &data::Tdane::TZal},   {"Tzal2", &data::Tdane::Tzal2},
                  {"TZal3", &data::Tdane::TZal3}, {"TFIRMA", &data::Tdane::TFIRMA},
                  {"TPARA", &data::Tdane::TPARA}};
    for (const auto& t : tables)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) return &(dane.*t.table);
    return nullptr;
}

}  // namespace

const reports::ValueSource& ModuleFormData::row(const QString& table) {
    // An unknown name reads as an empty row, like a closed table.
    static const reports::FixedValues empty;
    auto it = sources_->values.find(table);
    if (it == sources_->values.end()) {
        engine::Table* t = tableNamed(dane_, table);
        if (!t) return empty;
        it = sources_->values.emplace(table, std::make_unique<TableValues>(*t)).first;
    }
    return *it->second;
}

reports::RowSource& ModuleFormData::rows(const QString& table) {
    static reports::FixedRows none;
    auto it = sources_->rows.find(table);
    if (it == sources_->rows.end()) {
        engine::Table* t = tableNamed(dane_, table);
        if (!t) return none;
        it = sources_->rows.emplace(table, std::make_unique<TableRows>(*t)).first;
    }
    return *it->second;
}

bool ModuleFormData::informationPages() {
    engine::Table& para = dane_.TPARA;
    const int b1 = para.isOpen() ? para.fieldIndex("B1") : -1;
    return b1 >= 0 && para.asBoolean(b1);
}

std::optional<PrintoutFont> ModuleFormData::printFont(int slot) {
    platform::FontChoice choice;
    dane_.CzcionkaWydruku(slot, choice, false);
    return printoutFont(choice);
}

std::optional<PrintoutFont> printoutFont(const platform::FontChoice& choice) {
    if (choice.name.trimmed().isEmpty() || choice.size <= 0) return std::nullopt;
    QFont font(choice.name.trimmed());
    font.setPointSizeF(choice.size);
    font.setBold(choice.style & 1);
    font.setItalic(choice.style & 2);
    font.setUnderline(choice.style & 4);
    font.setStrikeOut(choice.style & 8);
    // Measured as the forms' own fonts are, so that paper, preview and PDF agree.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    const std::uint32_t c = choice.color;
    const QColor color = (c & 0xFF000000u)
                             ? QColor(Qt::black)
                             : QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    return PrintoutFont{font, color};
}

}  // namespace lumiro::printouts
