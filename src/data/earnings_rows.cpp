// The earnings table's computed total and the warning when an employee has more rows than
// one Rp-7 printout can hold.
#include "data/data_module.h"

namespace lumiro::data {

using engine::Table;

void Tdane::TzarCalcFields(Table& table) {
    // Summed in extended precision in this fixed order so that the grid and the printouts
    // round the same total the same way.
    long double sum = 0;
    for (const char* column : {"POLE2", "POLE3", "POLE5", "POLE7", "POLE9"}) {
        const int field = table.fieldIndex(column);
        if (field >= 0 && !table.isNull(field))
            sum += static_cast<long double>(table.asFloat(field));
    }
    const int total = table.fieldIndex("POLE10");
    if (total >= 0) table.setAsFloat(total, static_cast<double>(sum));
}

std::int64_t Tdane::earningsRowLimit() {
    const int b1 = TPARA.isOpen() ? TPARA.fieldIndex("B1") : -1;
    const bool informationPages = b1 >= 0 && TPARA.asBoolean(b1);
    return informationPages ? 30 : 60;
}

QString Tdane::rowLimitMessage() {
    return QStringLiteral(
        "Przekroczona maksymalna ilość pozycji możliwych do wydrukowania.\n"
        "Proszę utworzyć drugą kartę dla tego pracownika poprzez kopiowanie danych.");
}

void Tdane::ZzarStateChange(Table& table) {
    if (table.state() != engine::TableState::Insert) return;
    // The row being begun is not stored yet and so not counted.
    if (table.recordCount() > earningsRowLimit()) prompter_.inform(rowLimitMessage());
}

}  // namespace lumiro::data
