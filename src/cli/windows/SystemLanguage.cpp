#include "cli/SystemLanguage.h"

#include <windows.h>

namespace pellora {

CliLanguage systemLanguage()
{
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? CliLanguage::Japanese : CliLanguage::English;
}

} // namespace pellora
