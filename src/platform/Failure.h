#pragma once

#include "platform/Expected.h"
#include "platform/tga/TgaError.h"

#include <cerrno>
#include <cstdint>

namespace pellora {

// Why something failed, as every part of the program returns it: a cause,
// the system's error number where there is one, and for a refused TGA file
// the decoder's reason. What each becomes for the user (the list line's
// code, the Japanese reason, the command line's English) is one row of
// FailureTable.
enum class FailureCause : std::uint8_t {
    CannotRead,        // opening or reading a file failed (systemError)
    NotRegularFile,    // a folder, a link, a FIFO, a device...
    TooLarge,
    ChangedWhileRead,  // the file changed while it was being read
    BadTga,            // the decoder refused it (tga)
    EncoderFailed,
    CannotCreate,      // creating a file failed (systemError)
    CannotWrite,       // writing or syncing it failed (systemError)
    DestinationExists, // its name is taken; what has the name is left as it was
    CannotCommit,      // it could not be put under its name or made durable (systemError)
    CannotDelete,      // removing a file failed (systemError)
    ReadOnly,          // a read-only file, which stays as Windows keeps it
    Unexpected,
};

struct Failure {
    FailureCause cause = FailureCause::Unexpected;
    int systemError = 0;
    TgaError tga = TgaError::TruncatedHeader; // meaningful for BadTga only

    static Failure of(FailureCause cause, int systemError = 0) { return Failure{cause, systemError}; }
    static Failure badTga(TgaError error) { return Failure{FailureCause::BadTga, 0, error}; }
    // Putting a file under its final name failed with `systemError`.
    static Failure ofPlacing(int systemError)
    {
        return systemError == EEXIST ? of(FailureCause::DestinationExists, EEXIST)
                                     : of(FailureCause::CannotCommit, systemError);
    }
};

// Success, or the Failure that stopped it: what every boundary returns when
// it has nothing else to give back.
using Status = Expected<void, Failure>;

inline Status ok() { return {}; }

} // namespace pellora
