#include "platform/io/NoReplaceMove.h"

#include "platform/io/FileSystem.h"
#include "platform/io/NameReservation.h"

#include <cerrno>

namespace pellora {

namespace {

// The file system (or the kernel) does not offer this request at all, as
// opposed to refusing it for this file: only then is the next means tried.
bool refusedAsUnsupported(int rc) { return rc == -EINVAL || rc == -ENOSYS || rc == -EOPNOTSUPP; }

// FAT and exFAT answer a hard link with EPERM.
bool linkUnsupported(int rc) { return refusedAsUnsupported(rc) || rc == -EPERM; }

int linkThenUnlink(FileSystem& fs, const std::filesystem::path& from, const std::filesystem::path& to)
{
    const int rc = fs.link(from, to);
    if (rc == 0)
        fs.unlink(from); // a second name left behind is swept like any temporary file
    return rc;
}

int reserveThenReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    auto reservation = NameReservation::take(to);
    if (!reservation)
        return reservation.error();
    return reservation->fillWith(from);
}

} // namespace

int NoReplaceMove::move(const std::filesystem::path& from, const std::filesystem::path& to)
{
    FileSystem& fs = FileSystem::current();
    int rc = fs.renameNoReplace(from, to);
    if (!refusedAsUnsupported(rc))
        return rc;
    rc = linkThenUnlink(fs, from, to);
    if (!linkUnsupported(rc))
        return rc;
    return reserveThenReplace(from, to);
}

} // namespace pellora
