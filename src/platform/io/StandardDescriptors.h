#pragma once

#include "platform/Failure.h"

namespace pellora {

// Descriptors 0, 1 and 2 belong to standard input, output and error whether
// or not the caller left them open. When one is closed, the next file the
// program opens takes its number, and every line printed to that stream (by
// us or by a library) lands in that file: in a picture being written, say.
//
// Opens each closed one on /dev/null, so no file of ours can take its
// number. Call first in main, before anything else opens a file. A failure
// means one could not be filled: then nothing may safely be opened.
//
// On Windows a file is a handle, which never takes the place of a standard
// stream, so there is nothing to fill.
[[nodiscard]] Status ensureStandardDescriptorsOpen();

} // namespace pellora
