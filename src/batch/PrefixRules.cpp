#include "batch/PrefixRules.h"

#include <QFile>

namespace {

// The longest serial name the prefix must leave room for.
constexpr qsizetype kSerialNameBytes = sizeof "999.jpg" - 1;
// The longest file name the system accepts, in bytes.
constexpr qsizetype kNameMaxBytes = 255;

} // namespace

namespace pellora {

bool PrefixRules::isValid(const QString& prefix)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : prefix) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            return false;
    }
    // "." and ".." followed by digits are still names, but a prefix of only
    // dots would let the serial name start a hidden or relative name.
    if (prefix == u"." || prefix == u"..")
        return false;
    // Too long to be part of a name, it would fail every file of the run.
    return QFile::encodeName(prefix).size() + kSerialNameBytes <= kNameMaxBytes;
}

} // namespace pellora
