// Tables written and read by pxlib, an independent Paradox implementation, as the data of
// an older release or another program would be.
#pragma once

#include <string>
#include <vector>

#include "engine/schema.h"
#include "support/paradox_table_file.h"

namespace lumiro::data::test {

// A table without primary index; Alpha, Long, Number and Logical columns only.
void writeWithPxlib(const std::string& path, const std::vector<engine::FieldDef>& fields,
                    const std::vector<lumiro::test::Row>& rows);

// Column name, type code and stored length as pxlib reads them from the data file.
struct PxlibField {
    std::string name;
    int type = 0;
    int length = 0;
};
std::vector<PxlibField> readFieldsWithPxlib(const std::string& path);

}  // namespace lumiro::data::test
