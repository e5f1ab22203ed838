#pragma once

#include "platform/Expected.h"
#include "platform/FileReader.h"
#include "platform/StagedFile.h"

#include <cstdint>
#include <filesystem>

namespace pellora {

// The outcome of one conversion, as the list line shows it.
namespace ResultCode {
constexpr std::int16_t Success = 0;
constexpr std::int16_t DecodeFailed = -1;     // the TGA could not be read or decoded; nothing was written
constexpr std::int16_t UnexpectedFailure = 99; // includes a quality outside 0..255
// Any other value is the JPEG writer's own code (JpegWriteStatus).
} // namespace ResultCode

// Converts one TGA file to one JPEG file, in memory from end to end. The JPEG
// keeps the TGA's modification time. Thread-safe: each thread keeps its own
// encoder.
std::int16_t ConvertTgaToJpeg(const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality);

// The same conversion in two steps, so that the slow durable syncs of one file
// can overlap with the work on the next: staging reads, decodes, encodes and
// writes a temporary file; committing makes it durable under its final name.
// A staged file dropped without commit leaves nothing behind.
Expected<StagedFile, std::int16_t> StageTgaAsJpeg(const std::filesystem::path& source,
                                                  const std::filesystem::path& destination, int quality);
// Staging from a file already read, so reading can run ahead of the encoder.
Expected<StagedFile, std::int16_t> StageTgaAsJpeg(const FileReader::Contents& file,
                                                  const std::filesystem::path& destination, int quality);
std::int16_t CommitStagedJpeg(StagedFile& staged);

} // namespace pellora
