#pragma once

#include <QString>

namespace pellora {

// Turns stored texts into values their controls can take. A hand-edited file
// may hold anything; a value a control cannot take gives that key's default
// rather than ending the program.
class SettingValueRules {
public:
    // The stored text as a 16-bit number (as serials are read) when that is
    // 1..100, else 50.
    static int quality(const QString& stored);
    // The same conversion when it gives 0 or 1, else `defaultValue`.
    static int option(const QString& stored, int defaultValue);
};

} // namespace pellora
