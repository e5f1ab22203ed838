#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileSystem.h"
#include "settings/IniContents.h"

#include <filesystem>
#include <span>
#include <string_view>

namespace pellora {

// A private-profile settings file on disk, its values UTF-8 text. Nothing is
// cached: each read and each write goes to the file, and no handle stays
// open between them.
class IniFile {
public:
    struct Entry {
        std::string_view key;
        std::string_view value;
    };

    // The settings file goes through the front ends' file system unless told otherwise.
    explicit IniFile(std::filesystem::path path, FileSystem& fs = FileSystem::forFrontEnds())
        : path_(std::move(path)), fs_(fs)
    {
    }

    const std::filesystem::path& path() const { return path_; }

    // The whole file in one read. CannotRead (ENOENT when there is none),
    // NotRegularFile, or TooLarge.
    Expected<IniContents, Failure> read() const;

    // Values of one section in one rewrite of the file. Each value is tried,
    // even after one that cannot be stored (an invalid key, text the file's
    // encoding cannot hold exactly): what can be stored, is, and the bytes
    // are those that storing them one at a time in this order would leave.
    // A value already on disk writes nothing. Fails with the first value left
    // out, or with what kept the file from being rewritten; a file that exists
    // but cannot be read or changed is left exactly as it was.
    Status write(std::string_view section, std::span<const Entry> entries) const;

private:
    std::filesystem::path path_;
    FileSystem& fs_;
};

} // namespace pellora
