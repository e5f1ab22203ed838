#include "win32/ComApartment.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

// As the program does before its window: the shell's folder dialog needs the
// apartment, the controls their classes.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const pellora::win32::ComApartment apartment;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return RUN_ALL_TESTS();
}
