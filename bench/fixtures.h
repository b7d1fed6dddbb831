// Table layouts and data of the program's busiest tables, shared by the benchmarks: the
// employee table RP7 (96 columns, wide records) and the earnings table ZAR (narrow rows,
// many of them). The data are deterministic so that runs compare like with like.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/schema.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::bench {

engine::TableDef rp7Definition();
engine::TableDef zarDefinition();

// The stored column values of one RP7 row, code page 1250; an empty text means null.
struct Rp7Row {
    std::int64_t zlec = 0;
    std::int64_t nr = 0;
    std::vector<std::string> texts;  // POLE1..POLE41, KP1..KP46, R1..R7 in column order
};

struct ZarRow {
    std::int64_t zlec = 0;
    std::int64_t nr = 0;
    std::string year;        // POLE1
    double amounts[4] = {};  // POLE2, POLE3, POLE5, POLE7 (POLE9 is their sum)
    std::string texts[3];    // POLE4, POLE6, POLE8
};

// Polish employees and earnings. Surnames carry Polish letters (Ł, Ś, Ż, ó, ą ...), PESEL
// numbers have a valid check digit, identity card numbers look like real ones.
class PolishData {
  public:
    explicit PolishData(std::uint32_t seed = 20240601);

    // Row `n` of a table with `payers` payers: employees are spread evenly over them.
    Rp7Row rp7Row(int n, int payers);
    ZarRow zarRow(int n);
    // A surname prefix of 1 to 4 letters in random case, code page 1250.
    std::string surnamePrefix();
    // Another value for a free-text column, for edits.
    std::string remark();
    std::mt19937& rng() { return rng_; }

  private:
    std::string pesel(bool male);
    std::string pick(const std::vector<std::string>& list);
    std::mt19937 rng_;
};

// Writes the row into the table's record buffer (insert or edit state).
void fillRp7(engine::Table& table, const Rp7Row& row);
void fillZar(engine::Table& table, const ZarRow& row);

// Creates `path` and appends `rows` RP7 rows in one batch.
void buildRp7(engine::Session& session, const std::string& path, int rows, int payers);

// A folder for fixture files, removed with everything in it on destruction. It is made
// under $LUMIRO_BENCH_DIR when set (pick a real disk there: durable writes on tmpfs cost
// nothing and would make the comparison meaningless), else under the system temp folder.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // The file system type of the folder ("ext4", "tmpfs" ...), for the report.
    std::string fileSystem() const;

  private:
    std::string path_;
};

// Sum of the sizes of the data file and its companions.
std::uint64_t tableBytes(engine::Session& session, const std::string& path);
std::uint64_t fileBytes(const std::string& path);

}  // namespace lumiro::bench
