#pragma once

#include <QString>

namespace pellora {

// What a system error means, in words a Japanese user understands.
class SystemErrorText {
public:
    static QString japanese(int errorNumber);
};

} // namespace pellora
