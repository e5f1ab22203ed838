#pragma once

#include "platform/tga/TgaError.h"

#include <cstdint>

namespace pellora {

// Why one screenshot could not become a JPEG. The list line shows only a
// code; the cause, with the system's error number where there is one, tells
// the user who goes looking for the file what went wrong.
enum class FailureCause : std::uint8_t {
    SourceUnreadable,      // opening or reading the TGA file failed (systemError)
    SourceNotRegularFile,  // a folder, a link, a FIFO, a device...
    SourceTooLarge,
    SourceChanged,         // the file changed while it was being read
    BadTga,                // the decoder refused it (tga)
    EncoderFailed,
    CannotCreateTemporary, // (systemError)
    CannotWriteTemporary,  // (systemError)
    DestinationExists,
    CannotCommit,          // (systemError)
    Unexpected,
};

struct Failure {
    FailureCause cause = FailureCause::Unexpected;
    int systemError = 0;
    TgaError tga = TgaError::TruncatedHeader; // meaningful for BadTga only

    static Failure of(FailureCause cause, int systemError = 0) { return Failure{cause, systemError}; }
    static Failure badTga(TgaError error) { return Failure{FailureCause::BadTga, 0, error}; }
};

} // namespace pellora
