#pragma once

#include <QString>

namespace pellora {

// Whether a prefix can begin a file name in the output folder: no folder
// separator, none of \ / : * ? " < > |, no control character, and short
// enough that the prefix and "999.jpg" still make a file name. Empty is fine.
class PrefixRules {
public:
    static bool isValid(const QString& prefix);
};

} // namespace pellora
