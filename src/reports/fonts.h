// The fonts the forms name. The forms were drawn with Times New Roman and Arial at sizes in
// screen pixels; they print here with the metric-compatible Liberation Serif and Liberation
// Sans, so that every text keeps the width the form was laid out for.
#pragma once

#include <QFont>
#include <QString>

namespace lumiro::reports {

// A size in screen pixels of 96 to the inch, as the forms give it, in points: 11 px = 8.25 pt.
constexpr double pixelsToPoints(double pixels) {
    return pixels * 0.75;
}

// Makes the forms' family names resolve to the installed metric-compatible fonts. Safe to
// call repeatedly; every Report and formFont call does.
void installFontSubstitutes();

// A form font: family as the form names it, size in the form's pixels.
QFont formFont(const QString& family, double pixels, bool bold = false);

inline QFont timesFont(double pixels, bool bold = false) {
    return formFont(QStringLiteral("Times New Roman"), pixels, bold);
}
inline QFont arialFont(double pixels, bool bold = false) {
    return formFont(QStringLiteral("Arial"), pixels, bold);
}

}  // namespace lumiro::reports
