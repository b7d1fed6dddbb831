// Tables written and read by pxlib, an independent Paradox implementation: the genuine
// tables that an older release or another program leaves, and the second opinion on ours.
// Every function boots the library when needed and throws std::runtime_error when pxlib
// refuses.
#pragma once

#include <string>
#include <vector>

#include "engine/schema.h"
#include "support/paradox_table_file.h"

namespace lumiro::test {

// Writes `rows` through pxlib's own encoders into a new table; a keyed table (keyFieldCount
// > 0) needs its rows in key order, pxlib does not sort them. Alpha, Bytes, Short, Long,
// AutoInc, Date, Time, Money, Number, Timestamp, Logical and BCD (values as decimal text)
// columns.
void writePxlibTable(const std::string& path, const std::vector<engine::FieldDef>& fields,
                     int keyFieldCount, const std::vector<Row>& rows,
                     const std::string& tableName = "PXLIB");

// pxlib's primary index (X.PX) of a keyed table it wrote.
void writePxlibPrimaryIndex(const std::string& dbPath, const std::string& pxPath);

// Column name, type code and stored length as pxlib reads them from the data file.
struct PxlibField {
    std::string name;
    int type = 0;
    int length = 0;
};
std::vector<PxlibField> readPxlibFields(const std::string& path);

// Every record as pxlib finds it (in its order), decoded by our codec from pxlib's bytes.
std::vector<Row> readPxlibRecords(const std::string& path,
                                  const std::vector<engine::FieldDef>& fields);

}  // namespace lumiro::test
