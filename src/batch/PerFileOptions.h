#pragma once

namespace pellora {

// The options a run reads again for each file, so that a change the user
// makes during a run takes effect at the next read: the quality as each file
// is handed out, the delete option then and again before its source may go,
// the log option before each log line.
class PerFileOptions {
public:
    virtual ~PerFileOptions() = default;

    virtual int quality() = 0;
    virtual bool deleteSources() = 0;
    virtual bool logEnabled() = 0;
};

} // namespace pellora
