#include "transfer/column_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/value_text.h"

namespace lumiro::transfer {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The length of a blank between digit groups at `at`: a space, a no-break space (code page
// 1250 or UTF-8) or a narrow no-break space (UTF-8); 0 when there is none.
std::size_t groupBlank(std::string_view s, std::size_t at) {
    if (s[at] == ' ' || s[at] == '\xA0') return 1;
    if (s.substr(at, 2) == "\xC2\xA0") return 2;
    if (s.substr(at, 3) == "\xE2\x80\xAF") return 3;
    return 0;
}

std::string shortestNumber(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(value);
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

// Nothing but blanks (spaces, tabs, no-break spaces in either encoding).
bool blankText(std::string_view text, TextEncoding encoding) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text[i] == '\t') continue;
        if (encoding == TextEncoding::Cp1250 && text[i] == '\xA0') continue;
        if (encoding == TextEncoding::Utf8 && text.substr(i, 2) == "\xC2\xA0") {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

QString quotedForMessage(std::string_view text, TextEncoding encoding) {
    return QStringLiteral("„%1”").arg(toDisplay(text, encoding));
}

std::optional<std::int64_t> parseWhole(std::string_view text, std::int64_t low, std::int64_t high) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.size() > 19) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

Value textValue(const FieldDef& field, std::string_view text, TextEncoding encoding) {
    std::string bytes;
    if (encoding == TextEncoding::Utf8) {
        bool lossy = false;
        bytes = engine::utf8ToCp1250(text, &lossy);
        if (lossy) {
            const QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
            for (QChar c : shown)
                if (c != u'?' && engine::utf8ToCp1250(QString(c).toStdString()) == "?")
                    throw TransferError(
                        QStringLiteral("znaku „%1” nie można zapisać w tabeli").arg(c));
            throw TransferError(
                QStringLiteral("tekst „%1” zawiera znaki, których nie można zapisać w tabeli")
                    .arg(shown));
        }
    } else {
        bytes.assign(text);
    }
    if (field.type == FieldType::Alpha && field.size > 0 && bytes.size() > std::size_t(field.size))
        throw TransferError(QStringLiteral("tekst ma %1 znaków, a kolumna mieści %2")
                                .arg(bytes.size())
                                .arg(field.size));
    return Value{std::move(bytes)};
}

}  // namespace

std::optional<std::int64_t> groszeOf(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e13) return std::nullopt;
    const double grosze = std::round(value * 100.0);
    const double exact = grosze / 100.0;
    // Sixteen units of the last place: far below a grosz at any size taken, far above what a
    // few additions leave.
    const double unit = std::nextafter(std::fabs(exact), INFINITY) - std::fabs(exact);
    if (std::fabs(exact - value) > 16 * unit) return std::nullopt;
    return static_cast<std::int64_t>(grosze);
}

std::string amountText(double value) {
    if (const auto grosze = groszeOf(value)) {
        const std::int64_t whole = *grosze < 0 ? -*grosze : *grosze;
        std::string text = *grosze < 0 ? "-" : "";
        text += std::to_string(whole / 100);
        text += ',';
        text += char('0' + whole % 100 / 10);
        text += char('0' + whole % 10);
        return text;
    }
    return shortestNumber(value);
}

std::optional<double> parseAmount(std::string_view text, AmountProblem* problem) {
    auto refuse = [&](AmountProblem why) -> std::optional<double> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (problem) *problem = AmountProblem::None;
    std::string_view s = trimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::string digits;
    std::size_t at = 0;
    int group = 0;
    bool grouped = false;
    while (at < s.size()) {
        if (isDigit(s[at])) {
            digits += s[at++];
            ++group;
            continue;
        }
        const std::size_t blank = groupBlank(s, at);
        if (blank == 0) break;
        // Blanks only between groups: one to three digits first, exactly three after.
        if (group == 0 || group > 3 || (grouped && group != 3))
            return refuse(AmountProblem::NotAnAmount);
        grouped = true;
        group = 0;
        at += blank;
    }
    if (digits.empty() || (grouped && group != 3)) return refuse(AmountProblem::NotAnAmount);
    std::string fraction;
    if (at < s.size() && (s[at] == ',' || s[at] == '.')) {
        ++at;
        while (at < s.size() && isDigit(s[at])) fraction += s[at++];
        if (fraction.empty()) return refuse(AmountProblem::NotAnAmount);
    }
    if (at != s.size()) return refuse(AmountProblem::NotAnAmount);
    // Zeros beyond the second decimal change nothing; any other digit there would be lost.
    if (fraction.size() > 2) {
        if (fraction.find_first_not_of('0', 2) != std::string::npos)
            return refuse(AmountProblem::TooManyDecimals);
        fraction.resize(2);
    }
    fraction.resize(2, '0');
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > std::size_t(kAmountIntegerDigits)) return refuse(AmountProblem::TooLarge);
    std::int64_t cents = 0;
    for (char c : digits + fraction) cents = cents * 10 + (c - '0');
    // Both operands are exact, so the quotient is the double nearest the written amount.
    const double value = double(cents) / 100.0;
    return negative ? -value : value;
}

std::string valueText(const FieldDef& field, const Value& value, TextEncoding encoding) {
    if (engine::isNull(value)) return {};
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Memo:
        case FieldType::FmtMemo:
            if (auto* s = std::get_if<std::string>(&value))
                return encoding == TextEncoding::Utf8 ? engine::cp1250ToUtf8(*s) : *s;
            break;
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc:
            if (auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
            break;
        case FieldType::Money:
            if (auto* d = std::get_if<double>(&value)) return amountText(*d);
            break;
        case FieldType::Number:
            if (auto* d = std::get_if<double>(&value)) return shortestNumber(*d);
            break;
        case FieldType::Logical:
            if (auto* b = std::get_if<bool>(&value))
                return fromDisplay(*b ? QStringLiteral("Prawda") : QStringLiteral("Fałsz"),
                                   encoding);
            break;
        default:
            break;
    }
    const std::string engineText = engine::formatValue(field, value);
    return encoding == TextEncoding::Utf8 ? engine::cp1250ToUtf8(engineText) : engineText;
}

Value valueFromText(const FieldDef& field, std::string_view text, TextEncoding encoding) {
    if (text.empty()) return Value{};
    const bool isText = field.type == FieldType::Alpha || field.type == FieldType::Memo ||
                        field.type == FieldType::FmtMemo;
    if (isText) return textValue(field, text, encoding);
    // A spreadsheet's cell of blanks is an empty value, not a number or a date.
    if (blankText(text, encoding)) return Value{};
    switch (field.type) {
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc: {
            const std::int64_t high = field.type == FieldType::Short ? 32767 : 2147483647;
            const std::int64_t low = field.type == FieldType::AutoInc ? 1 : -high;
            if (auto whole = parseWhole(text, low, high)) return Value{*whole};
            throw TransferError(QStringLiteral("%1 nie jest liczbą całkowitą z zakresu od %2 do %3")
                                    .arg(quotedForMessage(text, encoding))
                                    .arg(low)
                                    .arg(high));
        }
        case FieldType::Money: {
            AmountProblem problem = AmountProblem::None;
            if (auto amount = parseAmount(text, &problem)) return Value{*amount};
            const QString shown = quotedForMessage(text, encoding);
            switch (problem) {
                case AmountProblem::TooManyDecimals:
                    throw TransferError(
                        QStringLiteral("kwota %1 ma więcej niż dwa miejsca po przecinku")
                            .arg(shown));
                case AmountProblem::TooLarge:
                    throw TransferError(
                        QStringLiteral("kwota %1 jest za duża (najwyżej %2 cyfr przed przecinkiem)")
                            .arg(shown)
                            .arg(kAmountIntegerDigits));
                default:
                    throw TransferError(QStringLiteral("%1 nie jest kwotą").arg(shown));
            }
        }
        default:
            break;
    }
    std::string engineText =
        encoding == TextEncoding::Utf8 ? engine::utf8ToCp1250(text) : std::string(text);
    if (field.type == FieldType::Number)
        for (char& c : engineText)
            if (c == ',') c = '.';
    try {
        return engine::parseValue(field, engineText);
    } catch (const engine::EngineError& error) {
        throw TransferError(QString::fromUtf8(error.what()));
    }
}

}  // namespace lumiro::transfer
