// Builds and reads whole Paradox data file images with the engine's codec, for tests that
// need real table files without the storage layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/paradox_format.h"

namespace lumiro::test {

using Row = std::vector<engine::Value>;

// A Paradox 7 data file holding `rows` in the given order, blocks filled one after another.
// The auto-increment counter is set to the highest AutoInc value among the rows. Blocks of
// `blockSizeKb` (1, 2, 4, 8, 16 or 32), or of the size the engine would choose when 0.
std::vector<std::byte> buildParadoxTable(const std::vector<engine::FieldDef>& fields,
                                         int keyFieldCount, const std::vector<Row>& rows,
                                         const std::string& tableName = "TEST.DB",
                                         std::uint32_t generation = 0, int blockSizeKb = 0);

// Every record of a data file image, following the block chain; throws EngineError(Corrupt)
// when the chain or the counts do not hold together.
std::vector<Row> readParadoxTable(std::span<const std::byte> file,
                                  engine::px::Header* header = nullptr);

// A secondary index file (.XGn) as another Paradox engine writes its header: the index's
// own columns, then every key column of the table and the block hint; `fieldNumbers` are the table's
// 1-based column numbers in that order, as the file lists them.
std::vector<std::byte> genuineSecondaryIndex(const std::vector<engine::FieldDef>& fields,
                                             const std::vector<int>& fieldNumbers,
                                             const std::string& indexName);

// The same data file as an older Paradox version writes it: `version` as stored at 0x39 (3 and 4
// for 3.x, 5 to 9 for 4.x, 10 and 11 for 5.x, 12 for 7.x). Before 4.x the header has no
// extended part and no code page; before 7.x the table name has 79 bytes of room.
std::vector<std::byte> olderParadoxVersion(std::span<const std::byte> file, int version);

void writeFileBytes(const std::string& path, std::span<const std::byte> bytes);
std::vector<std::byte> readFileBytes(const std::string& path);

}  // namespace lumiro::test
