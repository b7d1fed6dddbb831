#include "value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "cp1250.h"
#include "datetime.h"
#include "error.h"

namespace lumiro::engine {

namespace {

constexpr std::int64_t kShortMax = 32767;      // -32768 is the null pattern on disk
constexpr std::int64_t kLongMax = 2147483647;  // likewise -2^31
constexpr int kBcdDigits = 32;
constexpr std::size_t kQuotedTextLimit = 80;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// Code page 1250 byte 0xA0 is the no-break space people paste from office programs.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\xA0';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Messages are UTF-8 while column names and values are code page 1250; a very long value
// is shortened so that the message stays readable.
std::string quoted(std::string_view text) {
    bool cut = text.size() > kQuotedTextLimit;
    if (cut) text = text.substr(0, kQuotedTextLimit);
    return "„" + cp1250ToUtf8(text) + (cut ? "…”" : "”");
}

[[noreturn]] void notA(const FieldDef& field, std::string_view text, const char* what) {
    fail(ErrorCode::Conversion, "Wartość " + quoted(text) + " nie jest " + what + " dla pola " +
                                    cp1250ToUtf8(field.name) + ".");
}

[[noreturn]] void outOfRange(const FieldDef& field, std::string_view text) {
    fail(ErrorCode::Conversion, "Wartość " + quoted(text) + " wykracza poza zakres pola " +
                                    cp1250ToUtf8(field.name) + ".");
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c == '\xA3') c = '\xB3';  // Ł -> ł
    }
    return out;
}

std::string pad(std::int64_t v, int width) {
    std::string digits = std::to_string(v < 0 ? -v : v);
    if (int(digits.size()) < width) digits.insert(0, std::size_t(width) - digits.size(), '0');
    return v < 0 ? "-" + digits : digits;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A number as people write it, reduced to what from_chars reads: optional sign, digits
// grouped by spaces in threes, ',' or '.' before the decimals, an optional exponent.
struct NumberText {
    bool negative = false;
    std::string integer;   // digits without group separators
    std::string fraction;  // digits after the separator
    bool hasSeparator = false;
    std::string exponent;  // "e-12" as written (lower-cased), empty when absent
};

std::optional<NumberText> splitNumber(std::string_view text) {
    NumberText n;
    std::string_view s = trim(text);
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        n.negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::size_t i = 0;
    int groupLength = 0;
    bool grouped = false;
    while (i < s.size()) {
        char c = s[i];
        if (isDigit(c)) {
            n.integer += c;
            ++groupLength;
            ++i;
        } else if (c == ' ' || c == '\xA0') {
            // A separator must sit between digits, after a group of one to three digits
            // (three when it is not the first) and before exactly three more.
            if (groupLength == 0 || groupLength > 3 || (grouped && groupLength != 3)) return {};
            std::size_t j = i + 1;
            while (j < s.size() && isDigit(s[j])) ++j;
            if (j - i - 1 != 3) return {};
            grouped = true;
            groupLength = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && groupLength != 3) return {};
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        n.hasSeparator = true;
        ++i;
        while (i < s.size() && isDigit(s[i])) n.fraction += s[i++];
    }
    if (n.integer.empty() && n.fraction.empty()) return {};
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        n.exponent = "e";
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) n.exponent += s[i++];
        std::size_t start = i;
        while (i < s.size() && isDigit(s[i])) n.exponent += s[i++];
        if (i == start) return {};
    }
    if (i != s.size()) return {};
    return n;
}

std::optional<double> toDouble(const NumberText& n) {
    std::string plain = n.negative ? "-" : "";
    plain += n.integer.empty() ? "0" : n.integer;
    if (!n.fraction.empty()) plain += "." + n.fraction;
    plain += n.exponent;
    double v = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v)) return {};
    return v;
}

Value parseInteger(const FieldDef& field, std::string_view text, std::int64_t low,
                   std::int64_t high) {
    auto n = splitNumber(text);
    if (!n || n->hasSeparator || !n->exponent.empty() || n->integer.empty())
        notA(field, text, "poprawną liczbą całkowitą");
    std::int64_t v = 0;
    auto result = std::from_chars(n->integer.data(), n->integer.data() + n->integer.size(), v);
    if (result.ec != std::errc()) outOfRange(field, text);
    if (n->negative) v = -v;
    if (v < low || v > high) outOfRange(field, text);
    return Value{v};
}

Value parseFloat(const FieldDef& field, std::string_view text) {
    auto n = splitNumber(text);
    if (!n) notA(field, text, "poprawną liczbą");
    auto v = toDouble(*n);
    if (!v) outOfRange(field, text);
    return Value{*v};
}

Value parseBcd(const FieldDef& field, std::string_view text) {
    auto n = splitNumber(text);
    if (!n || !n->exponent.empty()) notA(field, text, "poprawną liczbą");
    std::string integer = n->integer;
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    std::string fraction = n->fraction;
    int decimals = std::max(field.size, 0);
    if (int(fraction.size()) > decimals) {
        // Digits beyond the column's decimals would be lost; zeros alone may go.
        if (fraction.find_first_not_of('0', std::size_t(decimals)) != std::string::npos)
            fail(ErrorCode::Conversion,
                 "Wartość " + quoted(text) + " ma więcej niż " + std::to_string(decimals) +
                     " miejsc po przecinku dozwolonych w polu " + cp1250ToUtf8(field.name) + ".");
        fraction.resize(std::size_t(decimals));
    }
    fraction.resize(std::size_t(decimals), '0');
    if (int(integer.size()) + decimals > kBcdDigits) outOfRange(field, text);
    bool zero = integer.empty() && fraction.find_first_not_of('0') == std::string::npos;
    std::string out = (n->negative && !zero) ? "-" : "";
    out += integer.empty() ? "0" : integer;
    if (decimals > 0) out += "." + fraction;
    return Value{out};
}

Value parseLogical(const FieldDef& field, std::string_view text) {
    std::string t = lowerAscii(trim(text));
    if (t == "true" || t == "prawda" || t == "t" || t == "1" || t == "tak") return Value{true};
    if (t == "false" || t == "fa\xB3sz" || t == "f" || t == "n" || t == "0" || t == "nie")
        return Value{false};
    notA(field, text, "poprawną wartością logiczną");
}

// Reads 1..maxDigits digits at s[pos]; advances pos.
std::optional<int> readNumber(std::string_view s, std::size_t& pos, int minDigits, int maxDigits) {
    int v = 0;
    int count = 0;
    while (pos < s.size() && isDigit(s[pos]) && count < maxDigits) {
        v = v * 10 + (s[pos] - '0');
        ++pos;
        ++count;
    }
    if (count < minDigits || (pos < s.size() && isDigit(s[pos]))) return {};
    return v;
}

// YYYY-MM-DD, YYYY.MM.DD, DD-MM-YYYY or DD.MM.YYYY at the start of s; pos ends after it.
std::optional<CivilDate> readDate(std::string_view s, std::size_t& pos) {
    std::size_t firstStart = pos;
    auto first = readNumber(s, pos, 1, 4);
    if (!first || pos >= s.size() || (s[pos] != '-' && s[pos] != '.')) return {};
    bool yearFirst = pos - firstStart == 4;
    if (!yearFirst && pos - firstStart > 2) return {};
    char sep = s[pos++];
    auto second = readNumber(s, pos, 1, 2);
    if (!second || pos >= s.size() || s[pos] != sep) return {};
    ++pos;
    CivilDate d;
    if (yearFirst) {
        auto day = readNumber(s, pos, 1, 2);
        if (!day) return {};
        d = {*first, *second, *day};
    } else {
        auto year = readNumber(s, pos, 4, 4);
        if (!year) return {};
        d = {*year, *second, *first};
    }
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 ||
        !isValidDate(d))
        return {};
    return d;
}

// H:MM, HH:MM:SS and HH:MM:SS.mmm (one to three decimals, '.' or ',') from pos to the end.
std::optional<std::int64_t> readTime(std::string_view s, std::size_t& pos) {
    auto h = readNumber(s, pos, 1, 2);
    if (!h || pos >= s.size() || s[pos] != ':') return {};
    ++pos;
    auto m = readNumber(s, pos, 2, 2);
    if (!m) return {};
    int sec = 0;
    int ms = 0;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        auto sv = readNumber(s, pos, 2, 2);
        if (!sv) return {};
        sec = *sv;
        if (pos < s.size() && (s[pos] == '.' || s[pos] == ',')) {
            ++pos;
            std::size_t start = pos;
            auto frac = readNumber(s, pos, 1, 3);
            if (!frac) return {};
            ms = *frac;
            for (std::size_t k = pos - start; k < 3; ++k) ms *= 10;
        }
    }
    if (*h > 23 || *m > 59 || sec > 59) return {};
    return ((std::int64_t(*h) * 60 + *m) * 60 + sec) * 1000 + ms;
}

Value parseDate(const FieldDef& field, std::string_view text) {
    std::string_view s = trim(text);
    std::size_t pos = 0;
    auto d = readDate(s, pos);
    if (!d || pos != s.size()) notA(field, text, "poprawną datą");
    return Value{daysFromCivil(*d)};
}

Value parseTime(const FieldDef& field, std::string_view text) {
    std::string_view s = trim(text);
    std::size_t pos = 0;
    auto t = readTime(s, pos);
    if (!t || pos != s.size()) notA(field, text, "poprawną godziną");
    return Value{*t};
}

Value parseTimestamp(const FieldDef& field, std::string_view text) {
    std::string_view s = trim(text);
    std::size_t pos = 0;
    auto d = readDate(s, pos);
    if (!d) notA(field, text, "poprawną datą i godziną");
    std::int64_t ms = 0;
    if (pos < s.size()) {
        if (s[pos] != 'T' && !isBlank(s[pos])) notA(field, text, "poprawną datą i godziną");
        while (pos < s.size() && (isBlank(s[pos]) || s[pos] == 'T')) ++pos;
        auto t = readTime(s, pos);
        if (!t || pos != s.size()) notA(field, text, "poprawną datą i godziną");
        ms = *t;
    }
    return Value{double(daysFromCivil(*d) * kMillisPerDay + ms)};
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Value parseHex(const FieldDef& field, std::string_view text) {
    std::string_view s = trim(text);
    if (s.size() % 2 != 0) notA(field, text, "poprawnym zapisem szesnastkowym");
    std::string out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int hi = hexDigit(s[i]);
        int lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) notA(field, text, "poprawnym zapisem szesnastkowym");
        out += char(hi * 16 + lo);
    }
    if (field.type == FieldType::Bytes && field.size > 0 && int(out.size()) > field.size)
        fail(ErrorCode::Conversion, "Wartość " + quoted(text) + " jest za długa dla pola " +
                                        cp1250ToUtf8(field.name) + " (najwyżej " +
                                        std::to_string(field.size) + " bajtów).");
    return Value{out};
}

std::string toHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string shortestDouble(double v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string moneyText(double v) {
    if (!std::isfinite(v)) return shortestDouble(v);
    // Fixed notation of 1e308 needs over 300 characters; the buffer allows for it.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    if (ec != std::errc()) return shortestDouble(v);
    std::string s(buf, end);
    // A sign before a zero amount ("-0.00", also from -0.004) means nothing to a reader.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::optional<std::int64_t> integerOf(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) {
        if (std::isfinite(*d) && std::fabs(*d) < 9.2e18) return std::int64_t(std::llround(*d));
        return {};
    }
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return {};
}

std::optional<double> doubleOf(const Value& v) {
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<std::int64_t>(&v)) return double(*i);
    return {};
}

std::string dateText(std::int64_t days) {
    CivilDate d = civilFromDays(days);
    return pad(d.year, 4) + "-" + pad(d.month, 2) + "-" + pad(d.day, 2);
}

std::string timeText(std::int64_t ms) {
    std::int64_t seconds = floorDiv(ms, 1000);
    std::int64_t millis = ms - seconds * 1000;
    std::string s =
        pad(seconds / 3600, 2) + ":" + pad(seconds / 60 % 60, 2) + ":" + pad(seconds % 60, 2);
    if (millis != 0) s += "." + pad(millis, 3);
    return s;
}

// Values of an unexpected alternative (a caller's mistake) still print as something a
// reader recognises rather than vanishing.
std::string fallbackText(const Value& value) {
    if (auto* s = std::get_if<std::string>(&value)) return *s;
    if (auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&value)) return shortestDouble(*d);
    if (auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
    return {};
}

}  // namespace

std::string formatValue(const FieldDef& field, const Value& value) {
    if (isNull(value)) return {};
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Memo:
        case FieldType::FmtMemo:
        case FieldType::Bcd:
            break;
        case FieldType::Bytes:
        case FieldType::Blob:
        case FieldType::Ole:
        case FieldType::Graphic:
            if (auto* s = std::get_if<std::string>(&value)) return toHex(*s);
            break;
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc:
            if (auto i = integerOf(value)) return std::to_string(*i);
            break;
        case FieldType::Money:
            if (auto d = doubleOf(value)) return moneyText(*d);
            break;
        case FieldType::Number:
            if (auto d = doubleOf(value)) return shortestDouble(*d);
            break;
        case FieldType::Logical:
            if (auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
            if (auto i = integerOf(value)) return *i != 0 ? "true" : "false";
            break;
        case FieldType::Date:
            if (auto i = integerOf(value)) return dateText(*i);
            break;
        case FieldType::Time:
            if (auto i = integerOf(value)) return timeText(*i);
            break;
        case FieldType::Timestamp:
            // Beyond year 9999 no calendar text exists (and the arithmetic below would
            // overflow): such a stored value is shown as its plain count.
            if (auto d = doubleOf(value); d && std::isfinite(*d) && std::fabs(*d) < 3.2e14) {
                auto ms = std::int64_t(std::llround(*d));
                std::int64_t days = floorDiv(ms, kMillisPerDay);
                return dateText(days) + " " + timeText(ms - days * kMillisPerDay);
            }
            if (auto d = doubleOf(value)) return shortestDouble(*d);
            break;
    }
    return fallbackText(value);
}

Value parseValue(const FieldDef& field, std::string_view text) {
    if (text.empty()) return Value{};
    switch (field.type) {
        case FieldType::Alpha:
            if (field.size > 0 && int(text.size()) > field.size)
                fail(ErrorCode::Conversion, "Wartość " + quoted(text) + " jest za długa dla pola " +
                                                cp1250ToUtf8(field.name) + " (najwyżej " +
                                                std::to_string(field.size) + " znaków).");
            return Value{std::string(text)};
        case FieldType::Memo:
        case FieldType::FmtMemo:
            return Value{std::string(text)};
        case FieldType::Bytes:
        case FieldType::Blob:
        case FieldType::Ole:
        case FieldType::Graphic:
            return parseHex(field, text);
        case FieldType::Short:
            return parseInteger(field, text, -kShortMax, kShortMax);
        case FieldType::Long:
            return parseInteger(field, text, -kLongMax, kLongMax);
        case FieldType::AutoInc:
            return parseInteger(field, text, 1, kLongMax);
        case FieldType::Money:
        case FieldType::Number:
            return parseFloat(field, text);
        case FieldType::Bcd:
            return parseBcd(field, text);
        case FieldType::Logical:
            return parseLogical(field, text);
        case FieldType::Date:
            return parseDate(field, text);
        case FieldType::Time:
            return parseTime(field, text);
        case FieldType::Timestamp:
            return parseTimestamp(field, text);
    }
    notA(field, text, "poprawną wartością");
}

}  // namespace lumiro::engine
