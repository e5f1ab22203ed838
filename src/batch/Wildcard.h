#pragma once

#include <QString>

namespace pellora {

// Matches a file name against a pattern of '*' and '?' ignoring case, as the
// Windows folder listing does.
class Wildcard {
public:
    static bool matches(const QString& pattern, const QString& name);
};

} // namespace pellora
