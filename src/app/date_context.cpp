#include "app/date_context.h"

#include "data/picture_format.h"

namespace lumiro::app {

QString dateText(QDate date) {
    return data::FormatPicture(QStringLiteral("9999"), date.year()) + u'.' +
           data::FormatPicture(QStringLiteral("99"), date.month()) + u'.' +
           data::FormatPicture(QStringLiteral("99"), date.day());
}

void computeDateContext(const platform::Clock& clock, platform::ProcessValues& values) {
    values.DataDzis = dateText(clock.today());
    values.RokRoboczy = values.DataDzis.left(4);
}

}  // namespace lumiro::app
