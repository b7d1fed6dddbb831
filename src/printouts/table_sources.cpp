#include "printouts/table_sources.h"

#include "data/table_text.h"
#include "engine/table.h"

namespace lumiro::printouts {

QString TableValues::text(const QString& field) const {
    // A table without a current row has a cleared buffer: every column reads empty.
    if (!table_.isOpen()) return {};
    const int index = table_.fieldIndex(data::toTable(field));
    if (index < 0) return {};
    return data::fieldText(table_, index);
}

void TableRows::first() {
    if (table_.isOpen()) table_.first();
}

void TableRows::next() {
    if (table_.isOpen() && !table_.eof()) table_.next();
}

bool TableRows::atEnd() const {
    return !table_.isOpen() || table_.eof();
}

}  // namespace lumiro::printouts
