// The printer every printout goes to, one for the whole program. The print settings window
// chooses it; until then, and whenever it is empty, the system's default printer is meant.
#pragma once

#include <QString>

namespace lumiro::platform {

QString currentPrinter();
void setCurrentPrinter(const QString& name);

}  // namespace lumiro::platform
