#include "datetime.h"

namespace lumiro::engine {

namespace {

// Day 1 is 0001-01-01; the civil algorithm below counts from 1970-01-01.
constexpr std::int64_t kEpochShift = 719'163;

bool isLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

// Era-based conversion (400-year cycles of 146,097 days) so that it stays exact for any
// year, including the years before 1 that fuzzed or damaged day numbers can produce.
std::int64_t daysFromCivil(const CivilDate& date) {
    std::int64_t y = date.year;
    const std::int64_t m = date.month;
    const std::int64_t d = date.day;
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146'097 + doe - 719'468 + kEpochShift;
}

CivilDate civilFromDays(std::int64_t days) {
    const std::int64_t z = days - kEpochShift + 719'468;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const std::int64_t doe = z - era * 146'097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2);
    return CivilDate{int(y), int(m), int(d)};
}

bool isValidDate(const CivilDate& date) {
    if (date.year < 1 || date.year > 9999) return false;
    if (date.month < 1 || date.month > 12) return false;
    return date.day >= 1 && date.day <= daysInMonth(date.year, date.month);
}

}  // namespace lumiro::engine
