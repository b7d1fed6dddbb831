#include "transfer/text_file_format.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/table_text.h"
#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/value_text.h"

namespace lumiro::transfer {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

int lineOfOffset(const QByteArray& bytes, qsizetype offset) {
    return int(bytes.left(offset).count('\n')) + 1;
}

// UTF-16 without a mark shows as ASCII letters with a NUL byte beside each.
bool looksLikeUtf16(const QByteArray& bytes) {
    const qsizetype probe = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 64);
    if (probe < 2) return false;
    int evenNul = 0, oddNul = 0;
    for (qsizetype i = 0; i < probe; i += 2) {
        evenNul += bytes[i] == '\0';
        oddNul += bytes[i + 1] == '\0';
    }
    const int pairs = int(probe / 2);
    return evenNul * 4 >= pairs * 3 || oddNul * 4 >= pairs * 3;
}

[[noreturn]] void refuseUtf16() {
    throw TransferError(QStringLiteral(
        "Plik jest zapisany w kodowaniu UTF-16, którego import nie obsługuje. Zapisz go jako "
        "tekst w kodowaniu UTF-8 lub Windows-1250 i wczytaj ponownie."));
}

std::optional<QString> strictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

std::optional<std::int64_t> parseWhole(const QString& text, std::int64_t low, std::int64_t high) {
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch()) return std::nullopt;
    const std::int64_t value = trimmed.toLongLong();
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

DecodedText decodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) refuseUtf16();
    const bool marked = bytes.startsWith(kUtf8Mark);
    qsizetype end = bytes.size();
    // Old editors end a text file with Ctrl+Z.
    while (end > 0 && bytes[end - 1] == '\x1A') --end;
    bool ascii = true;
    for (qsizetype i = marked ? 3 : 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) ascii = false;
        if (c >= 0x20 || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == 0 && looksLikeUtf16(bytes)) refuseUtf16();
        throw TransferError(
            QStringLiteral("Plik nie jest plikiem tekstowym: wiersz %1 zawiera znaki sterujące.")
                .arg(lineOfOffset(bytes, i)));
    }
    const QByteArrayView body(bytes.constData() + (marked ? 3 : 0), end - (marked ? 3 : 0));
    if (marked || !ascii) {
        if (auto text = strictUtf8(body)) return {*text, TextEncoding::Utf8};
        if (marked)
            throw TransferError(QStringLiteral(
                "Plik oznaczony jako tekst UTF-8 zawiera bajty, które nie są poprawnym tekstem "
                "UTF-8."));
    }
    return {QString::fromStdString(engine::cp1250ToUtf8(std::string_view(body.data(),
                                                                          std::size_t(body.size())))),
            TextEncoding::Cp1250};
}

QByteArray encodeText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return QByteArray(kUtf8Mark) + text.toUtf8();
    return QByteArray::fromStdString(engine::utf8ToCp1250(text.toStdString()));
}

QStringList splitLines(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    return lines;
}

QStringList splitValues(const QString& line, bool lastCounts) {
    QStringList values = line.split(u';');
    if (!lastCounts) values.removeLast();
    return values;
}

Heading readHeading(const QString& line) {
    Heading heading;
    heading.lastCounts = !line.isEmpty() && !line.endsWith(u';');
    heading.names = splitValues(line, heading.lastCounts);
    return heading;
}

QString amountText(double value) {
    if (!std::isfinite(value)) return QString::number(value);
    const double cents = std::round(value * 100.0);
    if (cents == 0.0) return QStringLiteral("0,00");
    QString text = QString::number(cents / 100.0, 'f', 2);
    text.replace(u'.', u',');
    return text;
}

std::optional<double> parseAmount(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)?$"));
    static const QRegularExpression grouped(
        QStringLiteral("^[+-]?[0-9]{1,3}( [0-9]{3})+([.,][0-9]+)?$"));
    QString amount = text.trimmed();
    amount.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
    if (!plain.match(amount).hasMatch()) {
        if (!grouped.match(amount).hasMatch()) return std::nullopt;
        amount.remove(u' ');
    }
    amount.replace(u',', u'.');
    bool ok = false;
    const double value = amount.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    const double rounded = std::round(value * 100.0) / 100.0;
    return rounded == 0.0 ? 0.0 : rounded;
}

QString valueToText(const FieldDef& field, const Value& value) {
    if (engine::isNull(value)) return {};
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Memo:
        case FieldType::FmtMemo:
            if (auto* s = std::get_if<std::string>(&value)) return data::fromTable(*s);
            break;
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc:
            if (auto* i = std::get_if<std::int64_t>(&value)) return QString::number(*i);
            break;
        case FieldType::Money:
            if (auto* d = std::get_if<double>(&value)) return amountText(*d);
            break;
        case FieldType::Number: {
            QString text = data::valueText(field, value);
            return text.replace(u'.', u',');
        }
        default:
            break;
    }
    return data::valueText(field, value);
}

Value valueFromText(const FieldDef& field, const QString& text) {
    if (text.isEmpty()) return Value{};
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Memo:
        case FieldType::FmtMemo: {
            bool lossy = false;
            std::string bytes = engine::utf8ToCp1250(text.toStdString(), &lossy);
            if (lossy) {
                for (QChar c : text)
                    if (engine::utf8ToCp1250(QString(c).toStdString()) == "?" && c != u'?')
                        throw TransferError(
                            QStringLiteral("znaku „%1” nie można zapisać w tabeli").arg(c));
            }
            if (field.type == FieldType::Alpha && field.size > 0 &&
                bytes.size() > std::size_t(field.size))
                throw TransferError(QStringLiteral("tekst ma %1 znaków, a kolumna mieści %2")
                                        .arg(text.size())
                                        .arg(field.size));
            return Value{std::move(bytes)};
        }
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc: {
            const std::int64_t high = field.type == FieldType::Short ? 32767 : 2147483647;
            const std::int64_t low = field.type == FieldType::AutoInc ? 1 : -high;
            if (auto whole = parseWhole(text, low, high)) return Value{*whole};
            throw TransferError(
                QStringLiteral("„%1” nie jest liczbą całkowitą z zakresu od %2 do %3")
                    .arg(text)
                    .arg(low)
                    .arg(high));
        }
        case FieldType::Money:
            if (auto amount = parseAmount(text)) return Value{*amount};
            throw TransferError(QStringLiteral("„%1” nie jest kwotą").arg(text));
        default:
            break;
    }
    try {
        return engine::parseValue(field, data::toTable(text.trimmed()));
    } catch (const engine::EngineError& error) {
        throw TransferError(QString::fromUtf8(error.what()));
    }
}

bool breaksLine(const QString& text) {
    return text.contains(u';') || text.contains(u'\n') || text.contains(u'\r');
}

QString mendForLine(const QString& text) {
    QString mended = text;
    mended.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    mended.replace(u'\r', u' ').replace(u'\n', u' ').replace(u';', u',');
    return mended;
}

}  // namespace lumiro::transfer
