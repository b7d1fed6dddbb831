#include <gtest/gtest.h>

#include <QLineEdit>

#include "records/id_number_indicator.h"
#include "records/id_numbers.h"

namespace lumiro::records {
namespace {

TEST(IdNumbers, PeselCheckDigitAndBirthDateWithTheCenturyInTheMonth) {
    EXPECT_TRUE(isValidPesel(u"44051401458"));  // 14 May 1944
    EXPECT_TRUE(isValidPesel(u"02270803624"));  // 8 July 2002: month + 20
    EXPECT_TRUE(isValidPesel(u"80921500012"));  // 15 December 1880: month + 80
    EXPECT_TRUE(isValidPesel(u"04222901237"));  // 29 February 2004, a leap year

    EXPECT_FALSE(isValidPesel(u"44051401459"));   // wrong check digit
    EXPECT_FALSE(isValidPesel(u"44130101459"));   // check digit right, month 13
    EXPECT_FALSE(isValidPesel(u"03222901230"));   // 29 February 2003
    EXPECT_FALSE(isValidPesel(u"01023001236"));   // 30 February 1901
    EXPECT_FALSE(isValidPesel(u"4405140145"));    // ten digits
    EXPECT_FALSE(isValidPesel(u"440514014580"));  // twelve
    EXPECT_FALSE(isValidPesel(u"4405140145a"));
    EXPECT_FALSE(isValidPesel(u"440-5140145"));  // no separators in a PESEL
}

TEST(IdNumbers, NipWithSeparatorsAndTheRemainderTenNeverValid) {
    EXPECT_TRUE(isValidNip(u"5261040828"));
    EXPECT_TRUE(isValidNip(u"526-104-08-28"));
    EXPECT_TRUE(isValidNip(u"779 000 12 32"));
    EXPECT_TRUE(isValidNip(u"0000000017"));

    EXPECT_FALSE(isValidNip(u"5261040827"));
    // 123456789 weighs 10 modulo 11: no final digit makes it valid.
    for (char16_t last = u'0'; last <= u'9'; ++last)
        EXPECT_FALSE(isValidNip(QStringLiteral("123456789") + QChar(last))) << char(last);
    EXPECT_FALSE(isValidNip(u"526104082"));
    EXPECT_FALSE(isValidNip(u"PL5261040828"));
}

TEST(IdNumbers, RegonOfNineAndFourteenDigits) {
    EXPECT_TRUE(isValidRegon(u"123456785"));
    EXPECT_TRUE(isValidRegon(u"732826199"));
    EXPECT_TRUE(isValidRegon(u"12345678500010"));
    EXPECT_TRUE(isValidRegon(u"123-456-785"));

    EXPECT_FALSE(isValidRegon(u"123456784"));
    EXPECT_FALSE(isValidRegon(u"12345678500011"));
    // A local unit whose own check digit agrees but whose nine-digit stem is wrong.
    EXPECT_FALSE(isValidRegon(u"12345678400014"));
    EXPECT_FALSE(isValidRegon(u"1234567850"));
    EXPECT_FALSE(isValidRegon(u""));
}

TEST(IdNumbers, IndicatorFollowsTheTextAndNeverChangesIt) {
    EXPECT_EQ(checkIdNumber(IdNumberKind::Nip, u"  "), IdNumberCheck::Empty);
    QLineEdit edit;
    IdNumberIndicator indicator(IdNumberKind::Pesel, &edit);
    EXPECT_EQ(indicator.check(), IdNumberCheck::Empty);
    EXPECT_TRUE(indicator.pixmap().isNull());
    EXPECT_TRUE(indicator.toolTip().isEmpty());

    edit.setText(QStringLiteral("44051401458"));
    EXPECT_EQ(indicator.check(), IdNumberCheck::Valid);
    EXPECT_FALSE(indicator.pixmap().isNull());
    EXPECT_TRUE(indicator.toolTip().contains(QStringLiteral("poprawną")));

    edit.setText(QStringLiteral("44051401459"));
    EXPECT_EQ(indicator.check(), IdNumberCheck::Invalid);
    EXPECT_EQ(edit.text(), QStringLiteral("44051401459"));
}

}  // namespace
}  // namespace lumiro::records
