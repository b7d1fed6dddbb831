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
// The auto-increment counter is set to the highest AutoInc value among the rows.
std::vector<std::byte> buildParadoxTable(const std::vector<engine::FieldDef>& fields,
                                         int keyFieldCount, const std::vector<Row>& rows,
                                         const std::string& tableName = "TEST.DB",
                                         std::uint32_t generation = 0);

// Every record of a data file image, following the block chain; throws EngineError(Corrupt)
// when the chain or the counts do not hold together.
std::vector<Row> readParadoxTable(std::span<const std::byte> file,
                                  engine::px::Header* header = nullptr);

void writeFileBytes(const std::string& path, std::span<const std::byte> bytes);
std::vector<std::byte> readFileBytes(const std::string& path);

}  // namespace lumiro::test
