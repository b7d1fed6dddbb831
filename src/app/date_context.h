// Today's date in the program's own written form, taken from the injected clock only.
#pragma once

#include "platform/clock.h"
#include "platform/process_values.h"

#include <QDate>
#include <QString>

namespace lumiro::app {

// "YYYY.MM.DD" with leading zeros.
QString dateText(QDate date);

// Sets DataDzis to today and RokRoboczy to its year.
void computeDateContext(const platform::Clock& clock, platform::ProcessValues& values);

}  // namespace lumiro::app
