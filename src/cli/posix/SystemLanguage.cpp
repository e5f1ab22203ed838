#include "cli/SystemLanguage.h"

namespace pellora {

CliLanguage systemLanguage()
{
    return CliLanguage::English;
}

} // namespace pellora
