#pragma once

#include <QDateTime>
#include <QString>

namespace pellora {

// Date and time as the Japanese general date form writes them: short date, a
// space, long time without a leading zero on the hour ("2002/01/10 9:05:03").
// Fixed whatever the user's locale, so logs read the same everywhere.
class GeneralDateText {
public:
    static QString format(const QDateTime& moment);
    static QString now() { return format(QDateTime::currentDateTime()); }
};

} // namespace pellora
