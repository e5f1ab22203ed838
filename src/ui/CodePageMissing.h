#pragma once

#include "ui/Prompts.h"

namespace pellora {

// Tells the user, on standard error and in a message box, that this system
// cannot convert code page 932 (cp932::available), so the window cannot keep
// the log and the settings as the Windows tool reads them and will not open.
void sayCodePageMissing(const Prompts& prompts);

} // namespace pellora
