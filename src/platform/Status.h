#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"

namespace pellora {

// What an operation that gives back nothing else returns: success, or why not.
using Status = Expected<void, Failure>;

inline Status ok() { return Status(); }

} // namespace pellora
