// Display formats of grid columns and read-only fields.
#pragma once

#include <QLocale>
#include <QString>

#include <functional>

#include "engine/value.h"

namespace lumiro::components {

// Turns a column value into the text shown; an empty function shows the plain text.
using DisplayFormat = std::function<QString(const engine::Value&)>;

// An amount in the picture "### ### ##0.00": the integer part in groups of three digits
// separated by blanks, at least one digit before the locale's decimal separator, always two
// decimals, no currency sign. Null shows as an empty text.
QString moneyText(const engine::Value& value, const QLocale& locale = QLocale());
DisplayFormat moneyFormat(const QLocale& locale = QLocale());

}  // namespace lumiro::components
