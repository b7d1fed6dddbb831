#include "engine/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/cp1250.h"
#include "engine/datetime.h"
#include "engine/error.h"

namespace lumiro::engine {
namespace {

FieldDef column(FieldType type, int size = 0, const char* name = "POLE") {
    return FieldDef{name, type, size, false};
}

std::string cp(const char* utf8) {
    return utf8ToCp1250(utf8);
}

// The message of the Conversion error parseValue throws, or "" when it does not throw.
std::string rejection(const FieldDef& field, std::string_view text) {
    try {
        parseValue(field, text);
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Conversion);
        return e.what();
    }
    return {};
}

TEST(ValueText, NullIsTheEmptyTextBothWays) {
    for (FieldType t : {FieldType::Alpha, FieldType::Long, FieldType::Money, FieldType::Date,
                        FieldType::Timestamp, FieldType::Logical, FieldType::Bytes}) {
        FieldDef f = column(t, t == FieldType::Alpha || t == FieldType::Bytes ? 10 : 0);
        EXPECT_EQ(formatValue(f, Value{}), "");
        EXPECT_TRUE(isNull(parseValue(f, "")));
    }
}

TEST(ValueText, MoneyHasTwoDecimalsAndNoSignOnZero) {
    FieldDef money = column(FieldType::Money);
    EXPECT_EQ(formatValue(money, Value{1234.5}), "1234.50");
    EXPECT_EQ(formatValue(money, Value{-1234.5}), "-1234.50");
    EXPECT_EQ(formatValue(money, Value{-0.0}), "0.00");
    EXPECT_EQ(formatValue(money, Value{-0.004}), "0.00");
    EXPECT_EQ(formatValue(money, Value{1e20}), "100000000000000000000.00");
    EXPECT_EQ(std::get<double>(parseValue(money, "-1 234,56")), -1234.56);
    EXPECT_EQ(std::get<double>(parseValue(money,
                                          "1\xA0"
                                          "000.5")),
              1000.5);
}

TEST(ValueText, NumbersReadBackBitForBit) {
    FieldDef number = column(FieldType::Number);
    for (double v : {0.1, -0.0, 1e-300, 5e-324, 1.7976931348623157e308, -123456789.125, 2.0 / 3.0,
                     1e15 + 0.5, 100.0}) {
        std::string text = formatValue(number, Value{v});
        double back = std::get<double>(parseValue(number, text));
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
    }
    EXPECT_EQ(formatValue(number, Value{0.1}), "0.1");
    EXPECT_EQ(formatValue(number, Value{100.0}), "100");
    EXPECT_EQ(formatValue(number, Value{-0.0}), "-0");
}

TEST(ValueText, NumbersPeopleTypeAndOnesThatAreRefused) {
    FieldDef number = column(FieldType::Number, 0, "KWOTA");
    EXPECT_EQ(std::get<double>(parseValue(number, " 12,5 ")), 12.5);
    EXPECT_EQ(std::get<double>(parseValue(number, "+1 234 567")), 1234567.0);
    EXPECT_EQ(std::get<double>(parseValue(number, "1.5E3")), 1500.0);
    EXPECT_EQ(std::get<double>(parseValue(number, ",5")), 0.5);
    EXPECT_EQ(rejection(number, "abc"), "Wartość „abc” nie jest poprawną liczbą dla pola KWOTA.");
    for (const char* bad : {"12 34", "1234 567", "1  234", "1,234.5", "1.2.3", "nan", "inf", "-",
                            "1e", "0x10", "12zł"})
        EXPECT_NE(rejection(number, bad), "") << bad;
    EXPECT_NE(rejection(number, "1e400"), "") << "out of the range of a double";
}

TEST(ValueText, IntegersKeepToTheirColumnsRange) {
    FieldDef s = column(FieldType::Short);
    FieldDef l = column(FieldType::Long);
    FieldDef a = column(FieldType::AutoInc);
    EXPECT_EQ(std::get<std::int64_t>(parseValue(s, "-32767")), -32767);
    EXPECT_EQ(std::get<std::int64_t>(parseValue(l, "2 147 483 647")), 2147483647);
    EXPECT_EQ(formatValue(l, Value{std::int64_t{-42}}), "-42");
    // The lowest two's complement value is the null pattern on disk.
    EXPECT_NE(rejection(s, "-32768"), "");
    EXPECT_NE(rejection(s, "32768"), "");
    EXPECT_NE(rejection(l, "-2147483648"), "");
    EXPECT_NE(rejection(l, "99999999999999999999"), "");
    EXPECT_NE(rejection(a, "0"), "");
    EXPECT_NE(rejection(l, "1.5"), "");
    EXPECT_NE(rejection(l, "1e3"), "");
}

TEST(ValueText, DatesAtTheEndsOfTheCalendar) {
    FieldDef date = column(FieldType::Date, 0, "DATA_UR");
    EXPECT_EQ(std::get<std::int64_t>(parseValue(date, "0001-01-01")), 1);
    EXPECT_EQ(formatValue(date, Value{std::int64_t{1}}), "0001-01-01");
    Value last = parseValue(date, "9999-12-31");
    EXPECT_EQ(formatValue(date, last), "9999-12-31");
    EXPECT_EQ(std::get<std::int64_t>(last), daysFromCivil({9999, 12, 31}));
    Value leap = parseValue(date, "2024-02-29");
    for (const char* same : {"2024.02.29", "29-02-2024", "29.02.2024", " 2024-2-29 "})
        EXPECT_EQ(parseValue(date, same), leap) << same;
    for (const char* bad :
         {"2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "0000-01-01", "10000-01-01",
          "2024-02-29x", "2024/02/29", "2024-02.29", "24-02-29", "29-02-24", "2024-02-29 10:00"})
        EXPECT_NE(rejection(date, bad), "") << bad;
    EXPECT_EQ(rejection(date, "31.04.2024"),
              "Wartość „31.04.2024” nie jest poprawną datą dla pola DATA_UR.");
}

TEST(ValueText, TimesShowMillisecondsOnlyWhenThereAreSome) {
    FieldDef time = column(FieldType::Time);
    EXPECT_EQ(formatValue(time, Value{std::int64_t{0}}), "00:00:00");
    EXPECT_EQ(formatValue(time, Value{std::int64_t{45296789}}), "12:34:56.789");
    EXPECT_EQ(formatValue(time, Value{std::int64_t{86399000}}), "23:59:59");
    EXPECT_EQ(formatValue(time, Value{std::int64_t{7}}), "00:00:00.007");
    EXPECT_EQ(std::get<std::int64_t>(parseValue(time, "12:34:56.789")), 45296789);
    EXPECT_EQ(std::get<std::int64_t>(parseValue(time, "12:34:56,5")), 45296500);
    EXPECT_EQ(std::get<std::int64_t>(parseValue(time, "7:05")), 7 * 3600000 + 5 * 60000);
    for (const char* bad :
         {"24:00:00", "12:60", "12:30:60", "12:34:56.1234", "12", "12:3", "-1:00", "12:00:00."})
        EXPECT_NE(rejection(time, bad), "") << bad;
}

TEST(ValueText, TimestampsCountMillisecondsFromDayOne) {
    FieldDef ts = column(FieldType::Timestamp);
    EXPECT_EQ(formatValue(ts, Value{double(kMillisPerDay)}), "0001-01-01 00:00:00");
    EXPECT_EQ(std::get<double>(parseValue(ts, "0001-01-01 00:00:00")), double(kMillisPerDay));
    for (const char* text :
         {"9999-12-31 23:59:59.999", "2024-02-29 08:15:00.001", "1970-01-01 00:00:00"})
        EXPECT_EQ(formatValue(ts, parseValue(ts, text)), text);
    EXPECT_EQ(formatValue(ts, parseValue(ts, "29.02.2024 8:15")), "2024-02-29 08:15:00");
    EXPECT_EQ(formatValue(ts, parseValue(ts, "2024-02-29T08:15:30")), "2024-02-29 08:15:30");
    EXPECT_EQ(formatValue(ts, parseValue(ts, "2024-02-29")), "2024-02-29 00:00:00");
    for (const char* bad :
         {"2024-02-30 10:00", "2024-02-29 25:00", "2024-02-29 10:00 x", "2024-02-29x10:00"})
        EXPECT_NE(rejection(ts, bad), "") << bad;
}

TEST(ValueText, LogicalInEveryUsualSpelling) {
    FieldDef l = column(FieldType::Logical);
    EXPECT_EQ(formatValue(l, Value{true}), "true");
    EXPECT_EQ(formatValue(l, Value{false}), "false");
    for (std::string yes : std::vector<std::string>{"true", "TRUE", "Prawda", "T", "1", "tak"})
        EXPECT_EQ(parseValue(l, yes), Value{true}) << yes;
    for (std::string no :
         std::vector<std::string>{"false", cp("Fałsz"), cp("FAŁSZ"), "N", "0", "nie"})
        EXPECT_EQ(parseValue(l, no), Value{false}) << no;
    EXPECT_NE(rejection(l, "może"), "");
    EXPECT_NE(rejection(l, "2"), "");
}

TEST(ValueText, BinaryColumnsInLowerCaseHex) {
    FieldDef bytes = column(FieldType::Bytes, 3);
    FieldDef blob = column(FieldType::Blob, 10);
    std::string raw("\x00\xff\x10", 3);
    EXPECT_EQ(formatValue(bytes, Value{raw}), "00ff10");
    EXPECT_EQ(parseValue(bytes, "00FF10"), Value{raw});
    EXPECT_NE(rejection(bytes, "00ff1020"), "") << "longer than the column";
    EXPECT_NE(rejection(blob, "0g"), "");
    EXPECT_NE(rejection(blob, "abc"), "");
    std::string big(5000, '\x5a');
    EXPECT_EQ(parseValue(blob, formatValue(blob, Value{big})), Value{big});
}

TEST(ValueText, BcdKeepsTheColumnsDecimals) {
    FieldDef bcd = column(FieldType::Bcd, 2);
    EXPECT_EQ(parseValue(bcd, "-12,3"), Value{std::string("-12.30")});
    EXPECT_EQ(parseValue(bcd, "1.500"), Value{std::string("1.50")});
    EXPECT_EQ(parseValue(bcd, "-0"), Value{std::string("0.00")});
    EXPECT_EQ(parseValue(bcd, "007"), Value{std::string("7.00")});
    EXPECT_EQ(parseValue(column(FieldType::Bcd, 0), "15"), Value{std::string("15")});
    EXPECT_EQ(formatValue(bcd, Value{std::string("-12.3400")}), "-12.3400");
    EXPECT_NE(rejection(bcd, "1.005"), "") << "a digit would be lost";
    EXPECT_NE(rejection(bcd, std::string(31, '9')), "") << "more than 32 digits";
    EXPECT_EQ(parseValue(bcd, std::string(30, '9')), Value{std::string(30, '9') + ".00"});
    EXPECT_NE(rejection(bcd, "1e5"), "");
}

TEST(ValueText, TextsStayCodePageBytesAndRespectTheirSize) {
    FieldDef name = column(FieldType::Alpha, 5, "NAZWISKO");
    std::string lodz = cp("Łódź");
    EXPECT_EQ(parseValue(name, lodz), Value{lodz});
    EXPECT_EQ(formatValue(name, Value{lodz}), lodz);
    EXPECT_EQ(parseValue(name, " a\tb"), Value{std::string(" a\tb")}) << "never trimmed";
    std::string message = rejection(name, cp("Zażółć"));
    EXPECT_NE(message.find("„Zażółć”"), std::string::npos) << message;
    EXPECT_NE(message.find("NAZWISKO"), std::string::npos) << message;
    FieldDef memo = column(FieldType::Memo, 10);
    std::string longText(10000, 'x');
    EXPECT_EQ(parseValue(memo, longText), Value{longText});
}

TEST(ValueText, MessagesShowPolishTextsAsUtf8) {
    FieldDef f = column(FieldType::Number, 0, cp("KWOTA_ŁĄCZNA").c_str());
    EXPECT_EQ(rejection(f, cp("żółw")),
              "Wartość „żółw” nie jest poprawną liczbą dla pola KWOTA_ŁĄCZNA.");
}

}  // namespace
}  // namespace lumiro::engine
