// Check digits of the Polish identification numbers typed into the forms. The results only
// inform the user: a number whose check digit does not agree is still stored as typed, since
// old documents do carry such numbers.
#pragma once

#include <QString>
#include <QStringView>

namespace lumiro::records {

enum class IdNumberKind { Pesel, Nip, Regon };

enum class IdNumberCheck {
    Empty,    // nothing typed
    Valid,    // the check digit agrees
    Invalid,  // wrong length, a character that is not a digit, or a wrong check digit
};

// Eleven digits; the month carries the century (+80 for the 1800s, +20 for the 2000s, +40,
// +60), the date must exist, and the weights 1,3,7,9,1,3,7,9,1,3 give the last digit.
bool isValidPesel(QStringView text);
// Ten digits, hyphens and blanks between them allowed; weights 6,5,7,2,3,4,5,6,7 modulo 11,
// where a remainder of 10 is never valid.
bool isValidNip(QStringView text);
// Nine or fourteen digits, hyphens and blanks allowed; a fourteen-digit number (a local unit)
// must also begin with a valid nine-digit one.
bool isValidRegon(QStringView text);

IdNumberCheck checkIdNumber(IdNumberKind kind, QStringView text);

// A short Polish sentence for the indicator's tooltip.
QString describeCheck(IdNumberKind kind, IdNumberCheck check);

}  // namespace lumiro::records
