#pragma once

#include "cli/CliMessages.h"

namespace pellora {

// The language the system speaks to this user when the environment names no
// locale: on Windows the user's display language, which a Japanese Windows
// gives without any LANG; on Linux English, as the C library's "C" locale.
CliLanguage systemLanguage();

} // namespace pellora
