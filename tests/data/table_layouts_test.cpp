#include <gtest/gtest.h>

#include "data/table_layouts.h"

namespace lumiro::data {
namespace {

using engine::FieldType;

TEST(TableLayouts, ColumnCountsAndKeys) {
    EXPECT_EQ(rp7Layout().columnCount(), 96);
    EXPECT_EQ(zarLayout().columnCount(), 12);
    EXPECT_EQ(zalLayout().columnCount(), 8);
    EXPECT_EQ(zal2Layout().columnCount(), 6);
    EXPECT_EQ(zal3Layout().columnCount(), 31);
    EXPECT_EQ(firmaLayout().columnCount(), 69);

    // Every employee-data table starts with the payer and employee numbers, and the primary
    // key covers leading columns only.
    for (const TableLayout* layout : employeeTableLayouts()) {
        ASSERT_GE(layout->columnCount(), 2);
        EXPECT_EQ(layout->def.fields[0].name, "ZLEC");
        EXPECT_EQ(layout->def.fields[1].name, "NR");
        const auto& primary = layout->def.indexes.front();
        ASSERT_TRUE(primary.primary);
        for (std::size_t i = 0; i < primary.fields.size(); ++i) {
            EXPECT_EQ(primary.fields[i], layout->def.fields[i].name) << layout->name;
        }
    }
    EXPECT_EQ(rp7Layout().def.fields[95].name, "R7");
    EXPECT_EQ(rp7Layout().def.fields[rp7Layout().columnIndex("POLE36")].size, 150);
    EXPECT_EQ(rp7Layout().def.fields[rp7Layout().columnIndex("POLE37")].size, 100);
    EXPECT_EQ(zal3Layout().def.fields[30].name, "POLE28");
    EXPECT_EQ(firmaLayout().def.fields[68].name, "ZMIEJSCOWOSC");
    EXPECT_EQ(firmaLayout().def.fields[firmaLayout().columnIndex("ZAPAS4")].type,
              FieldType::Number);
}

TEST(TableLayouts, StructureTypeNumbers) {
    EXPECT_EQ(structureTypeNumber(FieldType::Alpha), 1);
    EXPECT_EQ(structureTypeNumber(FieldType::Long), 3);
    EXPECT_EQ(structureTypeNumber(FieldType::Logical), 5);
    EXPECT_EQ(structureTypeNumber(FieldType::Number), 6);
    EXPECT_EQ(structureTypeNumber(FieldType::Money), 7);
    EXPECT_EQ(structureTypeNumber(FieldType::AutoInc), 14);
}

TEST(TableLayouts, DifferencesNameWhatDisagrees) {
    const TableLayout& layout = zalLayout();
    EXPECT_TRUE(layoutDifferences(layout, layout.def.fields, layout.def.indexes).empty());

    auto fields = layout.def.fields;
    fields[5].size = 70;
    fields.pop_back();
    auto indexes = layout.def.indexes;
    indexes[0].fields.pop_back();
    const auto diffs = layoutDifferences(layout, fields, indexes);
    ASSERT_EQ(diffs.size(), 4u);
    EXPECT_EQ(diffs[0], "ZAL has 7 columns instead of 8");
    EXPECT_EQ(diffs[1], "column 6 is POLE3 A70 instead of POLE3 A80");
}

}  // namespace
}  // namespace lumiro::data
