#include "batch/GeneralDateText.h"

namespace pellora {

QString GeneralDateText::format(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(time.hour())
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

} // namespace pellora
