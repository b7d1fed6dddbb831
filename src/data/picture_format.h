// Fixed-width number texts, so that right-aligned columns of amounts and numbers line up.
#pragma once

#include <QString>

namespace lumiro::data {

// Lays `value` into `mask` and returns text of exactly the mask's length.
//   '#'        digit position, a leading zero shows as a blank
//   '9'        digit position, always shown
//   ',' '.'    decimal separator (the last one in the mask), printed as written
//   other      copied as it stands (a blank in "### ### ##9,99" groups thousands)
// The value is rounded half away from zero to the mask's decimals, taking the number as
// written in its shortest decimal form (2.675 gives 2,68). A value that does not fit, or is
// not a number, gives the mask with every digit position shown as '#'.
QString FormatPicture(const QString& mask, double value);

}  // namespace lumiro::data
