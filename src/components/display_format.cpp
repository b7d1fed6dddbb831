#include "components/display_format.h"

#include <cmath>
#include <variant>

namespace lumiro::components {

QString moneyText(const engine::Value& value, const QLocale& locale) {
    double amount = 0;
    if (const auto* d = std::get_if<double>(&value))
        amount = *d;
    else if (const auto* i = std::get_if<std::int64_t>(&value))
        amount = double(*i);
    else
        return QString();
    if (!std::isfinite(amount)) return QString();

    // Rounded once to whole hundredths, so 0.005 shows 0.01 and -0.001 shows 0.00.
    const double cents = std::round(std::abs(amount) * 100.0);
    const bool negative = amount < 0 && cents > 0;
    const QString digits = QString::number(cents, 'f', 0).rightJustified(3, u'0');
    const QString whole = digits.left(digits.size() - 2);
    QString grouped;
    for (int i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += u' ';
        grouped += whole[i];
    }
    QString text = grouped + locale.decimalPoint() + digits.right(2);
    if (negative) text.prepend(u'-');
    return text;
}

DisplayFormat moneyFormat(const QLocale& locale) {
    return [locale](const engine::Value& v) { return moneyText(v, locale); };
}

}  // namespace lumiro::components
