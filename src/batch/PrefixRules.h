#pragma once

#include <QString>

namespace pellora {

// Whether a prefix can begin a file name in the output folder: no folder
// separator, none of \ / : * ? " < > |, no control character. Empty is fine.
class PrefixRules {
public:
    static bool isValid(const QString& prefix);
};

} // namespace pellora
