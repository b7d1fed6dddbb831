#include "app/date_context.h"

#include "app/picture_format.h"

namespace lumiro::app {

QString dateText(QDate date) {
    return FormatPicture(QStringLiteral("9999"), date.year()) + u'.' +
           FormatPicture(QStringLiteral("99"), date.month()) + u'.' +
           FormatPicture(QStringLiteral("99"), date.day());
}

void computeDateContext(const platform::Clock& clock, platform::ProcessValues& values) {
    values.DataDzis = dateText(clock.today());
    values.RokRoboczy = values.DataDzis.left(4);
}

}  // namespace lumiro::app
