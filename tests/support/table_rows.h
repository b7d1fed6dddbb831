// Rows of a table as column name -> value, for filling tables before a test and reading
// them back from the files afterwards.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/env.h"
#include "engine/table.h"

namespace lumiro::test {

using TableRow = std::map<std::string, engine::Value>;

// Appends and posts each row to the open table.
void appendRows(engine::Table& table, const std::vector<TableRow>& rows);

// Every record of the table at `path`, read by a cursor of its own that only reads, in a
// session of its own on `env`.
std::vector<TableRow> readRows(engine::Env& env, const std::string& path);
inline std::vector<TableRow> readRows(const std::string& path) {
    return readRows(engine::Env::system(), path);
}

}  // namespace lumiro::test
