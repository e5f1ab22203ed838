#include "platform/io/FolderEntries.h"

#include "platform/io/FileSystem.h"
#include "platform/text/PathText.h"

namespace pellora {

FolderEntries::FolderEntries(const FileHandle& folder, const std::filesystem::path& where)
    : folder_(folder), where_(where), listing_(folder.fileSystem().listAt(folder, where))
{
}

std::optional<FolderEntries::Entry> FolderEntries::next()
{
    if (next_ == listing_.entries.size())
        return std::nullopt;
    return listing_.entries[next_++];
}

int FolderEntries::error() const
{
    // Only once the entries read before the failure have been handed out.
    if (listing_.end || next_ < listing_.entries.size())
        return 0;
    return listing_.end.error().systemError;
}

std::optional<FileKind> FolderEntries::kindOf(const Entry& entry, bool followLink) const
{
    const auto links = followLink ? FileSystem::Links::Followed : FileSystem::Links::NotFollowed;
    const auto status = folder_.fileSystem().statusAt(folder_, where_ / pathText::toPath(entry.name), links);
    return status ? std::optional(status->kind) : std::nullopt;
}

bool FolderEntries::isRegularFile(const Entry& entry) const
{
    if (entry.kind != FileKind::Unknown)
        return entry.kind == FileKind::Regular;
    return kindOf(entry, false) == FileKind::Regular;
}

bool FolderEntries::leadsToFolder(const Entry& entry) const
{
    if (entry.kind != FileKind::Unknown && entry.kind != FileKind::Link)
        return entry.kind == FileKind::Folder;
    return kindOf(entry, true) == FileKind::Folder;
}

} // namespace pellora
