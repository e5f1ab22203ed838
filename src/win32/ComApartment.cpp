#include "win32/ComApartment.h"

#include <objbase.h>

namespace pellora::win32 {

// A thread already in an apartment of either kind keeps it; the dialog
// then works as well as it can there.
ComApartment::ComApartment()
    : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
{
}

ComApartment::~ComApartment()
{
    if (entered_)
        CoUninitialize();
}

} // namespace pellora::win32
