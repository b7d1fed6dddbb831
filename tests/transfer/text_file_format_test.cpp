#include <gtest/gtest.h>

#include <cmath>

#include "engine/cp1250.h"
#include "transfer/text_file_format.h"

namespace lumiro::transfer {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

QByteArray cp1250(const char* utf8) {
    return QByteArray::fromStdString(engine::utf8ToCp1250(utf8));
}

QString refusal(const QByteArray& bytes) {
    try {
        decodeText(bytes);
    } catch (const TransferError& error) {
        return error.message();
    }
    return {};
}

TEST(TextFileFormat, DecodesEitherEncodingAndRefusesWhatIsNotText) {
    const QString polish = QStringLiteral("Żółć;Łódź;");
    auto marked = decodeText(QByteArray("\xEF\xBB\xBF") + polish.toUtf8());
    EXPECT_EQ(marked.text, polish);
    EXPECT_EQ(marked.encoding, TextEncoding::Utf8);
    // Without a mark, valid UTF-8 with Polish letters is UTF-8 ...
    auto unmarked = decodeText(polish.toUtf8());
    EXPECT_EQ(unmarked.text, polish);
    EXPECT_EQ(unmarked.encoding, TextEncoding::Utf8);
    // ... and code page 1250 bytes are not valid UTF-8.
    auto legacy = decodeText(cp1250("Żółć;Łódź;"));
    EXPECT_EQ(legacy.text, polish);
    EXPECT_EQ(legacy.encoding, TextEncoding::Cp1250);
    // Plain ASCII and a DOS end-of-file mark.
    EXPECT_EQ(decodeText(QByteArray("NR;\r\n1;\r\n\x1A")).text, QStringLiteral("NR;\r\n1;\r\n"));

    QByteArray utf16(reinterpret_cast<const char*>(u"NR;POLE1;"), 18);
    EXPECT_TRUE(refusal(QByteArray("\xFF\xFE") + utf16).contains(u"UTF-16"));
    EXPECT_TRUE(refusal(utf16).contains(u"UTF-16"));
    const QString binary = refusal(QByteArray("NR;\r\n1;\r\n\x01\x02\x00\x7F", 12));
    EXPECT_TRUE(binary.contains(u"nie jest plikiem tekstowym")) << binary.toStdString();
    EXPECT_TRUE(binary.contains(u"wiersz 3"));
    EXPECT_TRUE(refusal(QByteArray("\xEF\xBB\xBF\xC5;")).contains(u"UTF-8"));

    EXPECT_EQ(encodeText(QStringLiteral("Ż;\r\n"), TextEncoding::Utf8),
              QByteArray("\xEF\xBB\xBF") + QStringLiteral("Ż;\r\n").toUtf8());
    EXPECT_EQ(encodeText(QStringLiteral("Ż;\r\n"), TextEncoding::Cp1250), cp1250("Ż;\r\n"));
}

TEST(TextFileFormat, LinesAndValues) {
    EXPECT_EQ(splitLines(QStringLiteral("a;\r\nb;\nc;")),
              (QStringList{QStringLiteral("a;"), QStringLiteral("b;"), QStringLiteral("c;")}));
    EXPECT_EQ(splitLines(QStringLiteral("a;\r\n")), QStringList{QStringLiteral("a;")});
    EXPECT_TRUE(splitLines(QString()).isEmpty());
    // Inner empty lines stay, so that line numbers match the file.
    EXPECT_EQ(splitLines(QStringLiteral("a;\r\n\r\nb;")).size(), 3);

    // The text after the last ";" is not a value ...
    EXPECT_EQ(splitValues(QStringLiteral("1;2;x"), false),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(splitValues(QStringLiteral(";;"), false), (QStringList{QString(), QString()}));
    // ... unless the heading shows the file was saved without the final ";".
    Heading spreadsheet = readHeading(QStringLiteral("ZLEC;NR;POLE1"));
    EXPECT_TRUE(spreadsheet.lastCounts);
    EXPECT_EQ(spreadsheet.names.size(), 3);
    EXPECT_EQ(splitValues(QStringLiteral("1;2;x"), true).size(), 3);
    EXPECT_EQ(splitValues(QStringLiteral("1;2;"), true).back(), QString());
    Heading own = readHeading(QStringLiteral("ZLEC;NR;POLE1;"));
    EXPECT_FALSE(own.lastCounts);
    EXPECT_EQ(own.names, (QStringList{QStringLiteral("ZLEC"), QStringLiteral("NR"),
                                      QStringLiteral("POLE1")}));
}

TEST(TextFileFormat, AmountsInThePolishForm) {
    EXPECT_EQ(amountText(1234.5), QStringLiteral("1234,50"));
    EXPECT_EQ(amountText(-0.01), QStringLiteral("-0,01"));
    EXPECT_EQ(amountText(-0.001), QStringLiteral("0,00"));
    EXPECT_EQ(amountText(0), QStringLiteral("0,00"));
    EXPECT_EQ(amountText(99999999999.99), QStringLiteral("99999999999,99"));

    EXPECT_EQ(parseAmount(QStringLiteral("1234,50")), 1234.5);
    EXPECT_EQ(parseAmount(QStringLiteral("1234.5")), 1234.5);
    EXPECT_EQ(parseAmount(QStringLiteral(" -7 ")), -7.0);
    EXPECT_EQ(parseAmount(QStringLiteral("1 234 567,89")), 1234567.89);
    EXPECT_EQ(parseAmount(QStringLiteral("1\u00A0234,00")), 1234.0);
    EXPECT_EQ(parseAmount(QStringLiteral("0,125")), 0.13);
    for (const char* bad : {"12a", "1.234,50", "1 23,4", ",5", "", "--1", "1e5"})
        EXPECT_FALSE(parseAmount(QString::fromLatin1(bad))) << bad;
    // Every amount of two decimals reads back as the value written.
    for (double v : {0.01, 0.1, 1.05, 2.675, 1e9 + 0.07, -12345.99})
        EXPECT_EQ(parseAmount(amountText(v)), std::round(v * 100) / 100) << v;
}

TEST(TextFileFormat, ValuesAndWhatAColumnRefuses) {
    const FieldDef text{"POLE1", FieldType::Alpha, 4};
    const FieldDef whole{"NR", FieldType::Long, 0};
    const FieldDef amount{"POLE2", FieldType::Money, 0};
    const FieldDef counter{"AUTO", FieldType::AutoInc, 0};

    EXPECT_EQ(valueToText(text, Value{engine::utf8ToCp1250("Łąk")}), QStringLiteral("Łąk"));
    EXPECT_EQ(valueToText(whole, Value{std::int64_t(-12)}), QStringLiteral("-12"));
    EXPECT_EQ(valueToText(amount, Value{2500.0}), QStringLiteral("2500,00"));
    EXPECT_EQ(valueToText(amount, Value{}), QString());

    EXPECT_EQ(valueFromText(text, QStringLiteral("Łąk")), Value{engine::utf8ToCp1250("Łąk")});
    EXPECT_EQ(valueFromText(whole, QStringLiteral(" 42 ")), Value{std::int64_t(42)});
    EXPECT_EQ(valueFromText(amount, QStringLiteral("12,30")), Value{12.3});
    EXPECT_TRUE(engine::isNull(valueFromText(amount, QString())));

    auto reason = [](const FieldDef& field, const QString& value) {
        try {
            valueFromText(field, value);
        } catch (const TransferError& error) {
            return error.message();
        }
        return QString();
    };
    EXPECT_TRUE(reason(text, QStringLiteral("12345")).contains(u"mieści 4"));
    EXPECT_TRUE(reason(text, QStringLiteral("Я")).contains(u"Я"));
    EXPECT_TRUE(reason(whole, QStringLiteral("12,5")).contains(u"liczbą całkowitą"));
    EXPECT_FALSE(reason(whole, QStringLiteral("3000000000")).isEmpty());
    EXPECT_FALSE(reason(counter, QStringLiteral("0")).isEmpty());
    EXPECT_TRUE(reason(amount, QStringLiteral("dużo")).contains(u"kwotą"));

    EXPECT_TRUE(breaksLine(QStringLiteral("a;b")));
    EXPECT_TRUE(breaksLine(QStringLiteral("a\nb")));
    EXPECT_FALSE(breaksLine(QStringLiteral("a, b")));
    EXPECT_EQ(mendForLine(QStringLiteral("ul. Długa; m.\r\n5\n6")),
              QStringLiteral("ul. Długa, m. 5 6"));
}

}  // namespace
}  // namespace lumiro::transfer
