#include "records/id_numbers.h"

#include <QDate>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace lumiro::records {

namespace {

// The digits of `text`, or nothing when it holds anything but digits and the separators
// people type into such numbers.
std::optional<std::vector<int>> digitsOf(QStringView text, bool separatorsAllowed) {
    std::vector<int> digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            digits.push_back(c.unicode() - u'0');
        } else if (!(separatorsAllowed && (c == u'-' || c == u' '))) {
            return std::nullopt;
        }
    }
    return digits;
}

int weightedSum(const std::vector<int>& digits, std::span<const int> weights) {
    int sum = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) sum += digits[i] * weights[i];
    return sum;
}

bool regonCheckAgrees(const std::vector<int>& digits, std::span<const int> weights) {
    int check = weightedSum(digits, weights) % 11;
    if (check == 10) check = 0;
    return check == digits[weights.size()];
}

}  // namespace

bool isValidPesel(QStringView text) {
    const auto digits = digitsOf(text.trimmed(), false);
    if (!digits || digits->size() != 11) return false;
    const auto& d = *digits;
    static constexpr std::array<int, 10> weights = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
    if ((10 - weightedSum(d, weights) % 10) % 10 != d[10]) return false;

    int month = d[2] * 10 + d[3];
    const int centuryCode = month / 20;
    static constexpr std::array<int, 5> centuries = {1900, 2000, 2100, 2200, 1800};
    if (centuryCode > 4) return false;
    month -= centuryCode * 20;
    const int year = centuries[std::size_t(centuryCode)] + d[0] * 10 + d[1];
    const int day = d[4] * 10 + d[5];
    return QDate::isValid(year, month, day);
}

bool isValidNip(QStringView text) {
    const auto digits = digitsOf(text.trimmed(), true);
    if (!digits || digits->size() != 10) return false;
    static constexpr std::array<int, 9> weights = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    const int check = weightedSum(*digits, weights) % 11;
    return check != 10 && check == (*digits)[9];
}

bool isValidRegon(QStringView text) {
    const auto digits = digitsOf(text.trimmed(), true);
    if (!digits) return false;
    static constexpr std::array<int, 8> weights9 = {8, 9, 2, 3, 4, 5, 6, 7};
    static constexpr std::array<int, 13> weights14 = {2, 4, 8, 5, 0, 9, 7, 3, 6, 1, 2, 4, 8};
    if (digits->size() == 9) return regonCheckAgrees(*digits, weights9);
    if (digits->size() == 14)
        return regonCheckAgrees(*digits, weights9) && regonCheckAgrees(*digits, weights14);
    return false;
}

IdNumberCheck checkIdNumber(IdNumberKind kind, QStringView text) {
    if (text.trimmed().isEmpty()) return IdNumberCheck::Empty;
    bool valid = false;
    switch (kind) {
        case IdNumberKind::Pesel:
            valid = isValidPesel(text);
            break;
        case IdNumberKind::Nip:
            valid = isValidNip(text);
            break;
        case IdNumberKind::Regon:
            valid = isValidRegon(text);
            break;
    }
    return valid ? IdNumberCheck::Valid : IdNumberCheck::Invalid;
}

QString describeCheck(IdNumberKind kind, IdNumberCheck check) {
    QString name;
    switch (kind) {
        case IdNumberKind::Pesel:
            name = QStringLiteral("PESEL");
            break;
        case IdNumberKind::Nip:
            name = QStringLiteral("NIP");
            break;
        case IdNumberKind::Regon:
            name = QStringLiteral("REGON");
            break;
    }
    switch (check) {
        case IdNumberCheck::Empty:
            return {};
        case IdNumberCheck::Valid:
            return QStringLiteral("Numer %1 ma poprawną cyfrę kontrolną.").arg(name);
        case IdNumberCheck::Invalid:
            break;
    }
    return QStringLiteral(
               "Numer %1 nie ma poprawnej cyfry kontrolnej lub właściwej długości. "
               "Sprawdź go z dokumentem; zostanie zapisany tak, jak go wpisano.")
        .arg(name);
}

}  // namespace lumiro::records
