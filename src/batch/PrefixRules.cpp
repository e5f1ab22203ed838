#include "batch/PrefixRules.h"

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
    return prefix != u"." && prefix != u"..";
}

} // namespace pellora
