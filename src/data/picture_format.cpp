#include "data/picture_format.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace lumiro::data {
namespace {

bool isDigitPosition(QChar c) {
    return c == u'#' || c == u'9';
}
bool isSeparator(QChar c) {
    return c == u',' || c == u'.';
}

QString overflowPicture(const QString& mask) {
    QString result = mask;
    for (QChar& c : result) {
        if (isDigitPosition(c)) c = u'#';
    }
    return result;
}

// Digits of |value| rounded to `decimals`, integer and fraction apart.
void roundedDigits(double magnitude, int decimals, std::string& integer, std::string& fraction) {
    // Enough for the longest shortest-form fixed text of a double (about 330 characters).
    char buffer[512];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed);
    std::string text = error == std::errc{} ? std::string(buffer, end) : std::string("0");
    const std::size_t point = text.find('.');
    integer = text.substr(0, point);
    fraction = point == std::string::npos ? std::string() : text.substr(point + 1);

    const auto wanted = static_cast<std::size_t>(decimals);
    const bool roundUp = fraction.size() > wanted && fraction[wanted] >= '5';
    fraction.resize(wanted, '0');
    if (!roundUp) return;
    std::string all = integer + fraction;
    int i = static_cast<int>(all.size()) - 1;
    for (; i >= 0; --i) {
        if (all[i] != '9') {
            ++all[i];
            break;
        }
        all[i] = '0';
    }
    if (i < 0) all.insert(all.begin(), '1');
    integer = all.substr(0, all.size() - wanted);
    fraction = all.substr(all.size() - wanted);
}

}  // namespace

QString FormatPicture(const QString& mask, double value) {
    qsizetype lastSeparator = -1;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (isSeparator(mask[i])) lastSeparator = i;
    }
    int integerPositions = 0;
    int decimals = 0;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (!isDigitPosition(mask[i])) continue;
        if (lastSeparator >= 0 && i > lastSeparator) {
            ++decimals;
        } else {
            ++integerPositions;
        }
    }
    if (!std::isfinite(value)) return overflowPicture(mask);

    std::string integer;
    std::string fraction;
    roundedDigits(std::fabs(value), decimals, integer, fraction);
    // A value that rounds to zero is shown without a sign.
    const bool negative =
        value < 0 && (integer + fraction).find_first_not_of('0') != std::string::npos;
    if (negative) integer.insert(integer.begin(), '-');
    // Counting digit positions rather than mask characters keeps the digits aligned when the
    // mask holds more than one separator ("9.999,99").
    if (static_cast<int>(integer.size()) > integerPositions) return overflowPicture(mask);
    const std::string digits =
        std::string(static_cast<std::size_t>(integerPositions) - integer.size(), '0') + integer +
        fraction;

    QString result = mask;
    std::vector<qsizetype> positions;
    std::size_t next = 0;
    bool leading = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (!isDigitPosition(mask[i])) continue;
        positions.push_back(i);
        char c = digits[next++];
        if (c != '0') leading = false;
        result[i] = leading && mask[i] == u'#' ? QChar(u' ') : QChar::fromLatin1(c);
    }

    // Zeros forced by '9' positions would otherwise stand before the sign ("00-5"); the sign
    // moves in front of them ("-005").
    if (negative) {
        std::size_t sign = 0;
        while (result[positions[sign]] != u'-') ++sign;
        std::size_t firstZero = 0;
        while (firstZero < sign && result[positions[firstZero]] != u'0') ++firstZero;
        if (firstZero < sign) {
            for (std::size_t k = sign; k > firstZero; --k) {
                result[positions[k]] = result[positions[k - 1]];
            }
            result[positions[firstZero]] = u'-';
        }
    }
    return result;
}

}  // namespace lumiro::data
