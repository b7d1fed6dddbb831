// The same RP7 table in SQLite, as the reference for durable single-row updates: one
// autocommit UPDATE per post, rollback journal, synchronous=FULL.
#pragma once

#include <cstdint>
#include <string>

#include "fixtures.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lumiro::bench {

class SqliteRp7 {
  public:
    // Creates the database at `path` with the RP7 columns, primary key and the three
    // case-insensitive indexes, filled with the same rows as buildRp7.
    SqliteRp7(const std::string& path, int rows, int payers);
    ~SqliteRp7();
    SqliteRp7(const SqliteRp7&) = delete;
    SqliteRp7& operator=(const SqliteRp7&) = delete;

    // Sets the text column `column` (1-based among POLE1..POLE41) of one row; durable when
    // it returns. `text` is code page 1250 and stored as UTF-8.
    void updatePole(int column, std::int64_t zlec, std::int64_t nr, const std::string& text);

  private:
    void exec(const std::string& sql);
    sqlite3_stmt* prepare(const std::string& sql);
    sqlite3* db_ = nullptr;
    sqlite3_stmt* update_[42] = {};
};

}  // namespace lumiro::bench
