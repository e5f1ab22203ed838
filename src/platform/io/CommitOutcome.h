#pragma once

#include "platform/jpeg/JpegWriteStatus.h"

#include <cstdint>

namespace pellora {

// What committing a staged file came to: the writer's code, and the system's
// reason (an errno value) for the step that failed, so that it can be told
// next to the failure. The conversions let callers that only show the code
// keep doing so.
struct CommitOutcome {
    JpegWriteStatus status = JpegWriteStatus::Written;
    int error = 0; // 0 when written

    operator JpegWriteStatus() const { return status; }
    explicit operator std::int16_t() const { return static_cast<std::int16_t>(status); }
};

} // namespace pellora
