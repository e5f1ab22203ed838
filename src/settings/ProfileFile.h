#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The settings file's bytes on disk, read whole and replaced whole through
// the FileSystem given. A settings file that is a link is read and replaced through it.
namespace pellora {
class FileSystem;
}

namespace pellora::profileFile {

// Far beyond any settings file; larger ones are neither read nor rewritten.
constexpr std::uint64_t kMaxSize = std::uint64_t{64} << 20;

// What a replaced file keeps of the one it replaces.
struct Attributes {
    unsigned mode = 0; // the permission bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

struct Contents {
    std::string bytes;
    Attributes attributes; // of the file read
};

// CannotRead (ENOENT when missing), NotRegularFile, or TooLarge beyond kMaxSize.
Expected<Contents, Failure> read(FileSystem& fs, const std::filesystem::path& path);

// Whether an existing file may be changed: a read-only or locked file must
// stay as it is, although replacing it by a rename would succeed.
Status probeWritable(FileSystem& fs, const std::filesystem::path& path);

// Puts `bytes` in place of the file at once (AtomicFile), so that it holds
// either the old or the new contents, never half of them. `kept`, when
// given, is carried over to the new file: owner, group and mode.
Status replace(FileSystem& fs, const std::filesystem::path& path, std::string_view bytes,
               const std::optional<Attributes>& kept);

} // namespace pellora::profileFile
