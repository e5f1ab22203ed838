#pragma once

#include "platform/Failure.h"

#include <cstdint>
#include <string>

namespace pellora {

// Why a converted file's TGA stayed in the input folder although the delete
// option was on. Its list line and log line stay "name ---> sshot001.jpg";
// this is told beside the line, and makes the command line's exit status 1,
// since each later run would convert the same picture again. A TGA that is no
// longer there at all (the user took it away) is not kept, and not told.
struct SourceKept {
    enum class Because : std::uint8_t {
        ReadBeforeDeleteWasOn, // handed out with the option off: not hashed as it was read
        JpegGone,              // its JPEG was moved or removed before the TGA's turn came
        Changed,               // replaced or rewritten since it was read
        Failed,                // reading it again or removing it failed (failure)
    };
    Because because = Because::Failed;
    Failure failure{};

    // Why it stayed, as the detail of its list line says it (Japanese).
    std::string reason() const;
};

} // namespace pellora
