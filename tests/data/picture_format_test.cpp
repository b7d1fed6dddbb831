#include "data/picture_format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace lumiro::data {
namespace {

using namespace Qt::StringLiterals;

struct Case {
    const char16_t* mask;
    double value;
    const char16_t* expected;
};

void expectAll(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        const QString mask = QString::fromUtf16(c.mask);
        const QString result = FormatPicture(mask, c.value);
        EXPECT_EQ(result, QString::fromUtf16(c.expected))
            << "mask \"" << mask.toStdString() << "\" value " << c.value;
        EXPECT_EQ(result.size(), mask.size());
    }
}

TEST(FormatPictureTest, DigitsLeadingZerosAndGrouping) {
    expectAll({
        {u"### ### ##9,99", 1234.5, u"      1 234,50"},
        {u"### ### ##9,99", 0.5, u"          0,50"},
        {u"# ### ##9,99", 12, u"       12,00"},
        {u"# ### ### ##9", 1234567890.4, u"1 234 567 890"},
        {u"99999", 7, u"00007"},
        {u"9999", 2026, u"2026"},
        {u"99", 5, u"05"},
        {u"####", 12, u"  12"},
        {u"####", 0, u"    "},
        {u"##########9.99", 1234.5, u"       1234.50"},
        {u"99 zł", 5, u"05 zł"},
    });
}

TEST(FormatPictureTest, ValuesThatDoNotFitShowTheOverflowPicture) {
    expectAll({
        {u"# ### ##9,99", 10000000, u"# ### ###,##"},
        {u"####", 12345, u"####"},
        {u"99,99", 99.995, u"##,##"},
        {u"####", std::numeric_limits<double>::quiet_NaN(), u"####"},
        {u"9,99", std::numeric_limits<double>::infinity(), u"#,##"},
        {u"##########9.99", 1e300, u"###########.##"},
    });
}

TEST(FormatPictureTest, RoundsHalfAwayFromZeroAsWritten) {
    expectAll({
        {u"9,99", 2.675, u"2,68"},
        {u"9,99", 0.125, u"0,13"},
        {u"9,99", 0.994, u"0,99"},
        {u"99,99", 9.995, u"10,00"},
        {u"### ##9,99", 1234.565, u"  1 234,57"},
        {u"99", 2.5, u"03"},
        {u"##9", 0.4, u"  0"},
        {u"##9,9", -2.25, u" -2,3"},
    });
}

TEST(FormatPictureTest, NegativeValuesCarryTheirSignBeforeTheDigits) {
    expectAll({
        {u"####", -5, u"  -5"},
        {u"### ### ##9,99", -1234.5, u"     -1 234,50"},
        {u"##,##", -0.5, u"-0,50"},
        {u"9999", -5, u"-005"},
        {u"9999", -123, u"-123"},
        {u"####", -1234, u"####"},
        // Rounded to nothing, the value is plain zero.
        {u"9,99", -0.001, u"0,00"},
    });
}

TEST(FormatPictureTest, OddMasks) {
    expectAll({
        {u"", 12, u""},
        {u"Nr ", 12, u"Nr "},
        {u"9.999,99", 1234.5, u"1.234,50"},
        {u"99,", 5, u"05,"},
    });
}

}  // namespace
}  // namespace lumiro::data
