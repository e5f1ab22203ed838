#pragma once

#include <QString>

namespace pellora {

// Turns stored texts into values their controls can take. A hand-edited file
// may hold anything; a value a control cannot take gives that key's default
// rather than ending the program.
class SettingValueRules {
public:
    // A whole number 1..100, else 50.
    static int quality(const QString& stored);
    // 0 or 1, else `defaultValue`.
    static int option(const QString& stored, int defaultValue);
};

} // namespace pellora
