#pragma once

#include <QString>

namespace pellora {

// What a browse button puts into its text box.
class ChosenFolder {
public:
    // The folder's path in the platform's notation without a trailing
    // separator (a root keeps its own), or empty text when nothing was chosen
    // or the choice is not a folder of the file system.
    static QString toBoxText(const QString& chosen);
};

} // namespace pellora
