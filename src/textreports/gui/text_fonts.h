// The monospaced fonts the text printouts name ("Lucida Console" on the printer and in the
// buffer, "Courier New" for the buffer after a printout), resolved here and nowhere else to
// an installed monospaced font with every Polish letter.
#pragma once

#include <QFont>
#include <QString>

namespace lumiro::textreports {

// Safe to call repeatedly; every textFont call does.
void installTextFontSubstitutes();

QFont textFont(const QString& family, int points);
inline QFont printerTextFont(int points) {
    return textFont(QStringLiteral("Lucida Console"), points);
}

}  // namespace lumiro::textreports
