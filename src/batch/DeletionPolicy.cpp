#include "batch/DeletionPolicy.h"

#include "batch/FileHelpers.h"
#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"

#include <cerrno>

namespace pellora {

namespace {

constexpr std::size_t kCheckBufferBytes = std::size_t{1} << 20;

Unexpected<SourceKept> kept(SourceKept::Because because)
{
    return unexpected(SourceKept{because});
}

Unexpected<SourceKept> keptFor(const Failure& failure)
{
    return unexpected(SourceKept{SourceKept::Because::Failed, failure});
}

Unexpected<SourceKept> uncheckable(int systemError)
{
    return keptFor(Failure::of(FailureCause::CannotRead, systemError));
}

} // namespace

DeletionPolicy::DeletionPolicy(const Folder& sourceFolder, const Folder& jpegFolder)
    : sourceFolder_(sourceFolder), jpegFolder_(jpegFolder)
{
}

Expected<void, SourceKept> DeletionPolicy::deleteConverted(const SourceFile& source, const ConvertedSource& converted,
                                                           const std::filesystem::path& jpegName)
{
    // A JPEG moved or removed meanwhile no longer stands in for its source.
    if (!FileIdentity::of(jpegFolder_.handle(), jpegName)) {
        if (FileIdentity::of(sourceFolder_.handle(), source.path))
            return kept(SourceKept::Because::JpegGone);
        return {};
    }
    // A source replaced or rewritten since it was read holds a picture the
    // JPEG does not show, and stays.
    auto checked = checkedSource(source.path, converted);
    if (!checked)
        return unexpected(checked.error());
    if (!checked->has_value())
        return {};
    // Through the handle it was checked with, where the system can.
    const Status deleted = fileHelpers::deleteCheckedFile(sourceFolder_.handle(), source.path, **checked);
    if (!deleted)
        return keptFor(deleted.error());
    // On Windows it goes now: a delete marked on a handle happens at its
    // close, which has nothing left to refuse.
    [[maybe_unused]] const Status closed = (*checked)->close();
    return {};
}

// The file open when `name` still names the very file that was converted and
// that file still holds exactly the bytes that were converted; nothing when
// nothing is there any more.
Expected<std::optional<FileHandle>, SourceKept> DeletionPolicy::checkedSource(const std::filesystem::path& name,
                                                                              const ConvertedSource& converted)
{
    if (!converted.digest.hashed())
        return kept(SourceKept::Because::ReadBeforeDeleteWasOn);
    // Where the system can, nobody may write, move or delete it from here on.
    auto opened = openRegular(sourceFolder_.handle(), name, Open::Read | Open::NoFollow | Open::ToDelete,
                              FailureCause::CannotRead);
    const int error = opened ? 0 : opened.error().systemError;
    if (error == ENOENT)
        return std::optional<FileHandle>();
    // A link now stands under its name (ELOOP), or something else that is no picture.
    if (error == ELOOP || (!opened && opened.error().cause == FailureCause::NotRegularFile))
        return kept(SourceKept::Because::Changed);
    if (!opened)
        return uncheckable(error);
    if (!(FileIdentity::of(opened->status) == converted.identity))
        return kept(SourceKept::Because::Changed);
    if (checkBuffer_.size() < kCheckBufferBytes)
        checkBuffer_.resize(kCheckBufferBytes);
    const auto digest =
        ContentDigest::ofFile(opened->handle, std::span<std::uint8_t>(checkBuffer_.data(), checkBuffer_.size()));
    if (!digest)
        return keptFor(digest.error());
    if (!(*digest == converted.digest))
        return kept(SourceKept::Because::Changed);
    // And the name still leads to it.
    const auto named = FileIdentity::of(sourceFolder_.handle(), name);
    if (!named)
        return std::optional<FileHandle>();
    if (named->device != converted.identity.device || named->inode != converted.identity.inode)
        return kept(SourceKept::Because::Changed);
    return std::optional<FileHandle>(std::move(opened->handle));
}

} // namespace pellora
