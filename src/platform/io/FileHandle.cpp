#include "platform/io/FileHandle.h"

#include "platform/io/FileSystem.h"

namespace pellora {

FileHandle FileHandle::borrowed(FileSystem& fileSystem, NativeHandle native)
{
    FileHandle handle(fileSystem, native);
    handle.owned_ = false;
    return handle;
}

Status FileHandle::close()
{
    const bool owned = std::exchange(owned_, false);
    FileSystem* fs = std::exchange(fs_, nullptr);
    const NativeHandle native = std::exchange(native_, kNoNativeHandle);
    return owned ? fs->close(native) : ok();
}

void FileHandle::reset()
{
    [[maybe_unused]] const Status closed = close();
}

} // namespace pellora
