#pragma once

#include <cstdint>

namespace pellora {

// The JPEG writer's own result codes. They reach the list line unchanged
// ("コピー失敗 エラーコード" + code), so they stay small, positive and stable,
// and never collide with the conversion's -1 (unreadable TGA) or 99
// (unexpected failure).
enum class JpegWriteStatus : std::int16_t {
    Written = 0,
    EncoderFailed = 1,     // the encoder refused the pixels or ran out of memory
    CannotCreate = 2,      // no temporary file could be created in the destination folder
    CannotWrite = 3,       // writing, syncing or closing the temporary file failed
    DestinationExists = 4, // a file of that name exists already; it is left as it was
    CannotCommit = 5,      // the finished file could not be moved to its name or made durable
};

} // namespace pellora
