// The earnings rows of one Rp-7 sheet: a chunk of up to twenty rows of the current employee,
// loaded before each print of the Rp-7 pages, and the texts its amount cells print.
#pragma once

#include <QString>

#include <array>
#include <vector>

namespace lumiro::engine {
class Table;
}

namespace lumiro::printouts {

struct EarningsSlot {
    QString year;  // POLE1, at most 4 characters
    double pole2 = 0, pole3 = 0, pole5 = 0, pole7 = 0, pole9 = 0, pole10 = 0;
    QString pole4, pole6, pole8;
};

struct EarningsPrintBuffer {
    std::array<EarningsSlot, 20> rows{};
    // 11 or more rows were loaded: page 2 may carry the continuation table.
    bool MoreThanTenRows = false;
    // Rows the employee has, whether loaded or not.
    int employeeRows = 0;
};

// Rows of one chunk: 10 when the information pages are printed (B1), else 20.
int earningsChunkSize(bool informationPages);
// Where the chunks printed for `rows` earnings rows start: 0, then one and two chunk sizes
// while rows remain; at most three chunks.
std::vector<int> earningsChunkOffsets(int rows, int chunkSize);
// Rows that the three chunks cannot hold.
int earningsRowsLeftOut(int rows, int chunkSize);

// Loads up to 20 earnings rows of the current employee from the zero-based `offset`; `Tzar`
// shows the employee's rows in the table's order and is left on the last row read.
EarningsPrintBuffer drukuj(engine::Table& Tzar, int offset);

// The amount columns of the Rp-7 table: 2 and 7 (wide), 3 to 6 (narrow).
enum class AmountColumn { Wide, Narrow };
// An amount as its cell prints it: empty for exactly 0; below the column's limit with grosze,
// from the limit on without them, negative values always with grosze. The mask is chosen on
// the value rounded to grosze, so that 9 999 999,995 prints as 10 000 000, and widened by the
// digits an amount needs beyond it: no amount prints as a row of '#'.
QString amountText(double value, AmountColumn column);

}  // namespace lumiro::printouts
