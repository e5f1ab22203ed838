#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/ContentDigest.h"
#include "platform/io/FileIdentity.h"
#include "platform/io/Folder.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace pellora {

// The outcome of one conversion, as the list line shows it.
namespace ResultCode {
constexpr std::int16_t Success = 0;
constexpr std::int16_t DecodeFailed = -1; // the TGA could not be read or decoded; nothing was written
// The JPEG writer's own codes: small, positive and stable, since users and
// their scripts know them from the list line and the log.
constexpr std::int16_t EncoderFailed = 1;     // the encoder refused the pixels or ran out of memory
constexpr std::int16_t CannotCreate = 2;      // no temporary file could be created in the destination folder
constexpr std::int16_t CannotWrite = 3;       // writing or syncing the temporary file failed
constexpr std::int16_t DestinationExists = 4; // a file of that name exists already; it is left as it was
constexpr std::int16_t CannotCommit = 5;      // the finished file could not be put under its name or made durable
constexpr std::int16_t UnexpectedFailure = 99; // includes a quality outside 0..255
} // namespace ResultCode

// The one place a failure's cause becomes the code the list line shows.
std::int16_t resultCodeOf(const Failure& failure);

// The file a conversion read, and a digest of exactly the bytes it converted
// (hashed only when asked for: a source may be deleted only when it is).
struct ConvertedSource {
    FileIdentity identity;
    ContentDigest digest;
};

// A JPEG written to its temporary file, not yet synced or named.
struct StagedJpeg {
    AtomicFile file;
    ConvertedSource source;
};

// Converts one TGA file to one JPEG file, streaming it from the file through
// the encoder a strip at a time. The JPEG keeps the TGA's modification time.
// Thread-safe: each thread keeps its own encoder and buffers.
std::int16_t ConvertTgaToJpeg(FileSystem& fs, const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality);

// The same conversion in two steps, so that the slow durable syncs of one file
// can overlap with the work on the next: staging reads, decodes, encodes and
// writes a temporary file; committing makes it durable under its final name.
// A staged file dropped without commit leaves nothing behind.
Expected<StagedJpeg, Failure> stageTgaAsJpeg(FileSystem& fs, const std::filesystem::path& source,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent = true);
// The same for a run: `source` is a name in `sourceFolder`, `destination` one
// in `destinationFolder`; both folders must outlive the staged file.
Expected<StagedJpeg, Failure> stageTgaAsJpeg(const Folder& sourceFolder, const std::filesystem::path& source,
                                             const Folder& destinationFolder,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent);
std::optional<Failure> commitStagedJpeg(AtomicFile& staged);

} // namespace pellora
