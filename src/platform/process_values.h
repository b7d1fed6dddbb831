// Values the whole program shares for one run. One instance is owned by start-up and handed
// by reference to the data module and the windows; it lives below the data layer so that
// both can reach it.
#pragma once

#include <QString>

namespace lumiro::platform {

struct ProcessValues {
    // Today as "YYYY.MM.DD", the way the program writes dates.
    QString DataDzis;
    // Four-digit working year; starts as the calendar year.
    QString RokRoboczy;
    // Folder that holds the BAZA data folder: empty, or ending in a separator.
    QString SciezkaDanych;
    // Start-up failed; the program ends without showing its windows.
    bool Przerwij = false;
};

}  // namespace lumiro::platform
