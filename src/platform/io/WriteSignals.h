#pragma once

namespace pellora {

// A write past the file size limit (SIGXFSZ) or into a pipe nobody reads any
// more (SIGPIPE) ends the process at once by default, mid-file. Ignored, the
// same write fails with EFBIG or EPIPE instead, and is handled like a full
// disk: that file fails, or the run stops at its next file. Windows has
// neither signal, but stops a process at a drive that is not ready (a card
// pulled out, a network share gone) with a dialog box that waits for someone
// to answer it; there the call fails instead, the same way. Call at start-up.
void ignoreWriteSignals();

} // namespace pellora
