#include "platform/io/windows/WindowsFileKind.h"

#include <windows.h>

namespace pellora::windowsFileKind {

FileKind of(std::uint32_t attributes, std::uint32_t reparseTag)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparseTag))
        return FileKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
}

} // namespace pellora::windowsFileKind
