#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/FailureTable.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/ContentDigest.h"
#include "platform/io/FileIdentity.h"
#include "platform/io/Folder.h"
#include "platform/io/SpareTemporaryFiles.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace pellora {

// The file a conversion read, and a digest of exactly the bytes it converted
// (hashed only when asked for: a source may be deleted only when it is).
struct ConvertedSource {
    FileIdentity identity;
    ContentDigest digest;
};

// A JPEG written to its temporary file, not yet named.
struct StagedJpeg {
    AtomicFile file;
    ConvertedSource source;
};

// Converts one TGA file to one JPEG file, streaming it from the file through
// the encoder a strip at a time. The JPEG keeps the TGA's modification time.
// Thread-safe: each conversion borrows an encoder and buffers of its own,
// which the next conversion reuses.
std::int16_t ConvertTgaToJpeg(FileSystem& fs, const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality);

// The same conversion in steps, so that the slow durable syncs of one file
// can overlap with the work on the next: staging reads, decodes, encodes and
// writes a temporary file; flushing makes its data durable; committing makes
// it durable under its final name (flushing it first if that was not done).
// A staged file dropped without commit leaves nothing behind.
Expected<StagedJpeg, Failure> stageTgaAsJpeg(FileSystem& fs, const std::filesystem::path& source,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent = true);
// The same for a run: `source` is a name in `sourceFolder`, `destination` one
// in `destinationFolder`; both folders must outlive the staged file. The
// temporary file is one of `spares` when one is waiting there.
Expected<StagedJpeg, Failure> stageTgaAsJpeg(const Folder& sourceFolder, const std::filesystem::path& source,
                                             const Folder& destinationFolder,
                                             const std::filesystem::path& destination, int quality,
                                             bool digestContent, SpareTemporaryFiles* spares = nullptr);
[[nodiscard]] Status flushStagedJpeg(AtomicFile& staged);
[[nodiscard]] Status commitStagedJpeg(AtomicFile& staged);
// Commits JPEGs staged in `folder` in their order with one sync of the folder
// for all of them (see AtomicFile::commitTogether): one status per file.
std::vector<Status> commitStagedJpegs(const Folder& folder, std::span<AtomicFile* const> staged);

} // namespace pellora
