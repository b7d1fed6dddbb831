// Paradox day numbers (1 = 0001-01-01, proleptic Gregorian) and clock times.
#pragma once

#include <cstdint>

namespace lumiro::engine {

struct CivilDate {
    int year = 1;
    int month = 1;
    int day = 1;
};

std::int64_t daysFromCivil(const CivilDate& date);
CivilDate civilFromDays(std::int64_t days);
bool isValidDate(const CivilDate& date);

constexpr std::int64_t kMillisPerDay = 86'400'000;

}  // namespace lumiro::engine
