// The text file itself: encodings, records as spreadsheets write them, and every column
// type's values on their way out and back in.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/cp1250.h"
#include "transfer/column_text.h"
#include "transfer/text_file_format.h"

namespace lumiro::transfer {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

std::string cp1250(const char* utf8) {
    return engine::utf8ToCp1250(utf8);
}

template <typename F>
QString refusal(F&& f) {
    try {
        f();
    } catch (const TransferError& error) {
        return error.message();
    }
    return {};
}

std::vector<std::vector<std::string>> records(std::string_view body,
                                              std::vector<int>* lines = nullptr) {
    std::vector<std::vector<std::string>> out;
    RecordReader reader(body);
    while (reader.next()) {
        out.emplace_back(reader.values().begin(), reader.values().end());
        if (lines) lines->push_back(reader.line());
    }
    return out;
}

using Values = std::vector<std::string>;

TEST(TextFileFormat, RecognisesEitherEncodingLetsTheUserChooseAndRefusesWhatIsNotText) {
    const std::string polish = "Żółć;Łódź;";
    const std::string marked = "\xEF\xBB\xBF" + polish;
    EXPECT_EQ(readFileText(marked).body, polish);
    EXPECT_EQ(readFileText(marked).encoding, TextEncoding::Utf8);
    // Without a mark, valid UTF-8 with Polish letters is UTF-8 ...
    EXPECT_EQ(readFileText(polish).encoding, TextEncoding::Utf8);
    // ... and code page 1250 bytes are not valid UTF-8.
    const std::string legacy = cp1250("Żółć;Łódź;");
    EXPECT_EQ(readFileText(legacy).encoding, TextEncoding::Cp1250);
    EXPECT_EQ(toDisplay(readFileText(legacy).body, TextEncoding::Cp1250),
              QString::fromStdString(polish));
    // Plain ASCII and a DOS end-of-file mark.
    EXPECT_EQ(readFileText("NR;\r\n1;\r\n\x1A").body, "NR;\r\n1;\r\n");

    // The user's choice holds where both readings are possible; UTF-8 must then be valid.
    const auto chosen = readFileText("\xC5\x82", TextEncoding::Cp1250);
    EXPECT_EQ(chosen.encoding, TextEncoding::Cp1250);
    EXPECT_FALSE(chosen.detected);
    const QString invalid = refusal([&] { readFileText("NR;\r\n" + legacy, TextEncoding::Utf8); });
    EXPECT_TRUE(invalid.contains(u"UTF-8") && invalid.contains(u"wiersz 2"))
        << invalid.toStdString();

    const std::string utf16(reinterpret_cast<const char*>(u"NR;POLE1;"), 18);
    EXPECT_TRUE(refusal([&] { readFileText("\xFF\xFE" + utf16); }).contains(u"UTF-16"));
    EXPECT_TRUE(refusal([&] { readFileText(utf16); }).contains(u"UTF-16"));
    const QString binary =
        refusal([] { readFileText(std::string_view("NR;\r\n1;\r\n\x01\x02\x00\x7F", 12)); });
    EXPECT_TRUE(binary.contains(u"nie jest plikiem tekstowym")) << binary.toStdString();
    EXPECT_TRUE(binary.contains(u"wiersz 3"));
    EXPECT_TRUE(refusal([] { readFileText("\xEF\xBB\xBF\xC5;"); }).contains(u"UTF-8"));
}

TEST(TextFileFormat, RecordsAsThisProgramAndSpreadsheetsWriteThem) {
    // A final ";" starts no value; text after the last ";" is one.
    EXPECT_EQ(records("a;b;\r\n1;2;\r\n"), (std::vector<Values>{{"a", "b"}, {"1", "2"}}));
    EXPECT_EQ(records("a;b\n1;2\n1;\n1;;\n"),
              (std::vector<Values>{{"a", "b"}, {"1", "2"}, {"1"}, {"1", ""}}));
    // The last line without an end; a blank line has no values; a final empty line is none.
    std::vector<int> lines;
    EXPECT_EQ(records("a;\r\n\r\nb;\r\nc", &lines), (std::vector<Values>{{"a"}, {}, {"b"}, {"c"}}));
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 4}));

    // Quoted values: ";", doubled quotes, line breaks; the next record knows its line.
    lines.clear();
    EXPECT_EQ(records("\"NR\";\"POLE1\"\n"
                      "1;\"Nowak; Jan\"\r\n"
                      "2;\"ul. \"\"Długa\"\"\r\nm. 5\n6\";x\r\n"
                      "3;\"\";\"\"\"\"\n",
                      &lines),
              (std::vector<Values>{{"NR", "POLE1"},
                                   {"1", "Nowak; Jan"},
                                   {"2", "ul. \"Długa\"\r\nm. 5\n6", "x"},
                                   {"3", "", "\""}}));
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 6}));
    // Unquoted values stand as they are; text after a closing quote belongs to the value.
    EXPECT_EQ(records("ab\"c;\"d\"e;\n"), (std::vector<Values>{{"ab\"c", "de"}}));

    const QString open = refusal([] { records("NR;POLE1\n1;ok\n2;\"bez końca\n3;x\n"); });
    EXPECT_TRUE(open.contains(u"Wiersz 3") && open.contains(u"kolumna 2")) << open.toStdString();
    std::string wide = "a;";
    for (int i = 0; i < kMaxValuesPerLine; ++i) wide += "1;";
    EXPECT_TRUE(refusal([&] { records(wide); }).contains(u"najwyżej 100"));

    // What appendValue writes reads back as it was.
    for (std::string value : {"", "zwykły", ";", "\"", "a\"\"b", "\r\n", "x;\"y\"\r\nz\n", " a "}) {
        std::string line;
        appendValue(line, value);
        appendValue(line, "next");
        endRecord(line);
        EXPECT_EQ(records(line), (std::vector<Values>{{value, "next"}})) << value;
    }
    std::string line;
    appendValue(line, "Nowak; \"Jan\"");
    EXPECT_EQ(line, "\"Nowak; \"\"Jan\"\"\";");
}

TEST(TextFileFormat, AmountsAreReadExactlyOrRefused) {
    EXPECT_EQ(amountText(1234.5), "1234,50");
    EXPECT_EQ(amountText(-0.01), "-0,01");
    EXPECT_EQ(amountText(0), "0,00");
    EXPECT_EQ(amountText(999999999.99), "999999999,99");
    // A sum of amounts is the grosz it lies beside in binary ...
    EXPECT_EQ(amountText(0.1 + 0.2), "0,30");
    EXPECT_EQ(amountText(16805.589999999997), "16805,59");
    EXPECT_EQ(groszeOf(16805.589999999997), groszeOf(16805.59));
    // ... but nothing else is rounded on the way out: a fraction of a grosz keeps its digits.
    EXPECT_EQ(amountText(0.125), "0,125");
    EXPECT_EQ(amountText(0.0100001), "0,0100001");
    EXPECT_EQ(amountText(1e20), "1e+20");

    EXPECT_EQ(parseAmount("1234,50"), 1234.5);
    EXPECT_EQ(parseAmount("1234.5"), 1234.5);
    EXPECT_EQ(parseAmount(" -7 "), -7.0);
    EXPECT_EQ(parseAmount("1 234 567,89"), 1234567.89);
    EXPECT_EQ(parseAmount("1\xA0"
                          "234,00"),
              1234.0);
    EXPECT_EQ(parseAmount("1\xE2\x80\xAF"
                          "234,00"),
              1234.0);
    EXPECT_EQ(parseAmount("2,500"), 2.5);
    AmountProblem problem = AmountProblem::None;
    for (const char* bad : {"12a", "1.234,50", "1 23,4", ",5", "--1", "1e5", "5,", "1,2,3"}) {
        EXPECT_FALSE(parseAmount(bad, &problem)) << bad;
        EXPECT_EQ(problem, AmountProblem::NotAnAmount) << bad;
    }
    EXPECT_FALSE(parseAmount("0,125", &problem));
    EXPECT_EQ(problem, AmountProblem::TooManyDecimals);
    EXPECT_EQ(parseAmount("9999999999999,99"), 9999999999999.99);
    EXPECT_FALSE(parseAmount("10000000000000,00", &problem));
    EXPECT_EQ(problem, AmountProblem::TooLarge);
    // Every amount of grosze reads back as the value written, to the last bit.
    for (double v : {0.01, 0.1, 1.05, 2.67, 1e9 + 0.07, -12345.99, 999999999.99, 123456789012.34})
        EXPECT_EQ(parseAmount(amountText(v)), v) << v;
}

TEST(TextFileFormat, EveryColumnTypeGoesOutAndComesBackTheSame) {
    struct Case {
        FieldDef field;
        std::vector<Value> values;
    };
    const std::vector<Case> cases = {
        {{"T", FieldType::Alpha, 10},
         {Value{cp1250("Żółć; \"x\"")}, Value{std::string("a\r\nb")}, Value{std::string(" lead")},
          Value{std::string("\x81\x98")}}},
        {{"S", FieldType::Short, 0}, {Value{std::int64_t(32767)}, Value{std::int64_t(-32767)}}},
        {{"L", FieldType::Long, 0},
         {Value{std::int64_t(2147483647)}, Value{std::int64_t(-2147483647)}}},
        {{"A", FieldType::AutoInc, 0}, {Value{std::int64_t(1)}, Value{std::int64_t(2147483647)}}},
        {{"M", FieldType::Money, 0}, {Value{0.01}, Value{-999999999.99}, Value{0.0}}},
        {{"N", FieldType::Number, 0},
         {Value{0.1}, Value{-1e300}, Value{std::numeric_limits<double>::denorm_min()}}},
        {{"B", FieldType::Logical, 0}, {Value{true}, Value{false}}},
        {{"D", FieldType::Date, 0}, {Value{std::int64_t(1)}, Value{std::int64_t(730000)}}},
        {{"H", FieldType::Time, 0}, {Value{std::int64_t(0)}, Value{std::int64_t(86399999)}}},
        {{"C", FieldType::Bcd, 2}, {Value{std::string("-12.34")}}},
        {{"Y", FieldType::Bytes, 4}, {Value{std::string("\x00\xFF", 2)}}},
    };
    for (TextEncoding encoding : {TextEncoding::Cp1250, TextEncoding::Utf8})
        for (const Case& c : cases)
            for (const Value& value : c.values) {
                const std::string text = valueText(c.field, value, encoding);
                if (c.field.type == FieldType::Alpha && encoding == TextEncoding::Utf8 &&
                    std::get<std::string>(value) == "\x81\x98")
                    continue;  // no character of code page 1250: not text
                EXPECT_EQ(valueFromText(c.field, text, encoding), value)
                    << c.field.name << " " << text;
            }
    EXPECT_EQ(valueText({"B", FieldType::Logical, 0}, Value{false}, TextEncoding::Utf8), "Fałsz");
    EXPECT_EQ(valueText({"M", FieldType::Money, 0}, Value{}, TextEncoding::Utf8), "");
    EXPECT_TRUE(engine::isNull(valueFromText({"M", FieldType::Money, 0}, "", TextEncoding::Utf8)));

    auto reason = [](const FieldDef& field, const char* text,
                     TextEncoding encoding = TextEncoding::Utf8) {
        return refusal([&] { valueFromText(field, text, encoding); });
    };
    EXPECT_TRUE(reason({"T", FieldType::Alpha, 4}, "12345").contains(u"mieści 4"));
    EXPECT_TRUE(reason({"T", FieldType::Alpha, 4}, "Я").contains(u"Я"));
    EXPECT_TRUE(reason({"L", FieldType::Long, 0}, "12,5").contains(u"liczbą całkowitą"));
    EXPECT_FALSE(reason({"L", FieldType::Long, 0}, "3000000000").isEmpty());
    EXPECT_FALSE(reason({"A", FieldType::AutoInc, 0}, "0").isEmpty());
    EXPECT_TRUE(reason({"M", FieldType::Money, 0}, "dużo").contains(u"nie jest kwotą"));
    EXPECT_TRUE(reason({"M", FieldType::Money, 0}, "1,005").contains(u"więcej niż dwa"));
    EXPECT_TRUE(reason({"M", FieldType::Money, 0}, "12345678901234").contains(u"za duża"));
    EXPECT_FALSE(reason({"D", FieldType::Date, 0}, "2021-02-29").isEmpty());
    EXPECT_FALSE(reason({"B", FieldType::Logical, 0}, "może").isEmpty());
}

}  // namespace
}  // namespace lumiro::transfer
