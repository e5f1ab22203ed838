#include "win32/MessageBoxes.h"

#include "settings/Settings.h"
#include "win32/WideText.h"

namespace pellora::win32 {

namespace {

std::wstring caption()
{
    return wideText::fromUtf8(Settings::kApplicationTitle);
}

void criticalBox(HWND owner, const std::wstring& text)
{
    MessageBoxW(owner, text.c_str(), caption().c_str(), MB_OK | MB_ICONERROR);
}

bool yesNoBox(HWND owner, const std::wstring& text)
{
    return MessageBoxW(owner, text.c_str(), caption().c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

} // namespace

MessageBoxes MessageBoxes::shown()
{
    return MessageBoxes{criticalBox, yesNoBox};
}

} // namespace pellora::win32
