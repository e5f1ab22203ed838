#pragma once

#include "platform/Expected.h"

#include <sys/types.h>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pellora {

// Reads and replaces a whole settings file through FileSystem. Failures are
// errno values (read) or minus errno (writes), never exceptions.
class ProfileFile {
public:
    // Far beyond any settings file; larger ones are neither read nor rewritten.
    static constexpr std::uint64_t kMaxSize = std::uint64_t{64} << 20;

    struct Contents {
        std::string bytes;
        mode_t mode = 0;
    };

    // ENOENT when missing, EISDIR when not a regular file, EFBIG beyond kMaxSize.
    static Expected<Contents, int> read(const std::filesystem::path& path);

    // Whether an existing file may be changed: a read-only or locked file must
    // stay as it is, although replacing it by a rename would succeed.
    static int probeWritable(const std::filesystem::path& path);

    // Writes `bytes` to a temporary file beside `path`, syncs it and renames it
    // over `path`, so `path` holds either the old or the new contents, never
    // half of them. A symbolic link is followed, not replaced. `mode`, when
    // given, is carried over to the new file. 0, or minus errno.
    static int replace(const std::filesystem::path& path, std::string_view bytes, std::optional<mode_t> mode);
};

} // namespace pellora
