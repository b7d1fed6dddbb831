// The explanatory notes that accompany the ZUS Kp-1, Rp-6 and Rp-7 forms, as fixed lines for
// the information window and for text printers.
#pragma once

#include <QStringList>

namespace lumiro::data {

enum class InformationNote { Kp1, Rp6, Rp7 };

// At most 100 characters a line; the first line is the centred title.
QStringList informationNoteLines(InformationNote note);

}  // namespace lumiro::data
