#include "app/date_context.h"

#include <gtest/gtest.h>

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

TEST(DateContextTest, TodayAndWorkingYearComeFromTheClock) {
    platform::FixedClock clock(QDate(2026, 12, 31));
    platform::ProcessValues values;
    computeDateContext(clock, values);
    EXPECT_EQ(values.DataDzis, u"2026.12.31"_s);
    EXPECT_EQ(values.RokRoboczy, u"2026"_s);

    clock.set(QDate(2027, 3, 5));
    computeDateContext(clock, values);
    EXPECT_EQ(values.DataDzis, u"2027.03.05"_s);
    EXPECT_EQ(values.RokRoboczy, u"2027"_s);
}

TEST(DateContextTest, DateTextIsAlwaysTenCharacters) {
    EXPECT_EQ(dateText(QDate(999, 1, 9)), u"0999.01.09"_s);
    EXPECT_EQ(dateText(QDate(2004, 10, 10)), u"2004.10.10"_s);
}

}  // namespace
}  // namespace lumiro::app
