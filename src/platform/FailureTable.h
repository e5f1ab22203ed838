#pragma once

#include "platform/Failure.h"
#include "platform/tga/TgaError.h"

#include <cstdint>
#include <string>

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

// What a Failure is called wherever it is told: the code of the list line,
// the words a Japanese user reads beside it, and the command line's English.
// All of it comes from one table (FailureTable.cpp), so a new cause is added
// in one row.
std::int16_t resultCodeOf(const Failure& failure);

// What went wrong with one file, in words a Japanese user understands. The
// list line only shows a code and names no file; this tells the rest.
std::string failureReason(const Failure& failure);

// The same in English, as what the file named by the command line "is" or
// "cannot" (for TooLarge, the limit follows).
std::string englishReason(const Failure& failure);

// What a system error means, in words a Japanese user understands.
std::string systemErrorText(int errorNumber);

// The system's reason as a clause in parentheses, without its full stop:
// how a detail says why ("（アクセスが拒否されました）").
std::string becauseOf(int errorNumber);

// Why the decoder refused a TGA file, in Japanese.
std::string tgaErrorText(TgaError error);

} // namespace pellora
