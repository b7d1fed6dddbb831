// The stored layout of every table the program knows: columns in order with type and size,
// the primary key and the secondary indexes. The same constants create new tables and check
// existing ones, so a table made by the program and a table checked by it cannot disagree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"

namespace lumiro::data {

struct TableLayout {
    // Table name as the program writes it (file name without ".DB").
    std::string_view name;
    engine::TableDef def;

    int columnCount() const { return int(def.fields.size()); }
    // Position of the column (exact upper-case name), -1 when the layout has none.
    int columnIndex(std::string_view column) const;
};

// Employee data, folder BAZA\KADRY under the data root.
const TableLayout& rp7Layout();   // employees, 96 columns
const TableLayout& zarLayout();   // earnings rows, 12 stored columns
const TableLayout& zalLayout();   // contributory and non-contributory periods, 8 columns
const TableLayout& zal2Layout();  // benefit periods, 6 columns
const TableLayout& zal3Layout();  // certificates of employment, 31 columns
// Payers: never created by the program itself, only supplied with the installation data.
const TableLayout& zlecLayout();

// Program folder.
const TableLayout& firmaLayout();  // company record, 69 columns
const TableLayout& kadLayout();    // parameters record, as supplied with the installation

// The five employee tables the structure update creates, in the order it creates them.
const std::vector<const TableLayout*>& employeeTableLayouts();

// The number of a column type in the structure files (NAME.STR) read by index repair. The
// numbering is a fixed list shared with older releases: Alpha 1, Long 3, Logical 5,
// Number 6, Money 7, AutoInc 14 and so on.
int structureTypeNumber(engine::FieldType type);

// Every way in which a table's columns and indexes differ from the layout, one English
// sentence each; empty when they agree exactly (column order, names, types, sizes, primary
// key, index names, columns and options).
std::vector<std::string> layoutDifferences(const TableLayout& layout,
                                           const std::vector<engine::FieldDef>& fields,
                                           const std::vector<engine::IndexDef>& indexes);

}  // namespace lumiro::data
