#pragma once

#include "platform/io/FileSystem.h"

namespace pellora {

// FileSystem on POSIX systems (Linux): the *at calls, relative to open
// folders. errno becomes a Failure here and goes no further.
class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem();

    Expected<FileHandle, Failure> openAt(const FileHandle& folder, const std::filesystem::path& name, OpenFlags flags,
                                         unsigned permissions = 0666) override;
    Expected<std::size_t, Failure> read(const FileHandle& file, void* buffer, std::size_t size) override;
    Expected<std::size_t, Failure> readAt(const FileHandle& file, void* buffer, std::size_t size,
                                          std::uint64_t offset) override;
    Expected<std::size_t, Failure> write(const FileHandle& file, const void* buffer, std::size_t size) override;
    Status sync(const FileHandle& file) override;
    Status renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                             const FileHandle& toFolder, const std::filesystem::path& to) override;
    Status linkAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                  const std::filesystem::path& to) override;
    Status renameAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                    const std::filesystem::path& to) override;
    Status unlinkAt(const FileHandle& folder, const std::filesystem::path& name) override;
    Status unlinkOpened(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& name) override;
    Status mkdirAt(const FileHandle& folder, const std::filesystem::path& name, unsigned permissions = 0777) override;
    Status setModificationTime(const FileHandle& file, const timespec& time) override;
    Status setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group) override;
    Status setPermissions(const FileHandle& file, unsigned permissions) override;
    Expected<FileStatus, Failure> status(const FileHandle& file) override;
    Expected<FileStatus, Failure> statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                           Links links) override;
    Status tryLock(const FileHandle& file) override;
    FolderListing listAt(const FileHandle& folder, const std::filesystem::path& where) override;
    const FileHandle& workingFolder() override { return workingFolder_; }

protected:
    Status close(NativeHandle handle) override;

private:
    FileHandle workingFolder_;
};

} // namespace pellora
