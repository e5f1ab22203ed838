#pragma once

#include "platform/io/FileIdentity.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace pellora {

// Which files of a watched folder a game has finished writing. A file is
// ready once a writer closed it (or moved it in) and then, for the settle
// time, nothing wrote to it and its stamp (size, time written, identity)
// stayed as it was: a game that writes in pieces, closing the file between
// them, is not done after its first piece. A file whose stamp is the one it
// had when it was last handled is not new, whatever woke the watch.
class SettlingFiles {
public:
    using Clock = std::chrono::steady_clock;
    // The file's stamp now, or nothing when it is gone or no regular file.
    using StampOf = std::function<std::optional<FileIdentity>(const std::filesystem::path&)>;

    explicit SettlingFiles(Clock::duration settle) : settle_(settle) {}

    // A writer closed `name` or moved it in, or a look at the folder found it.
    void noteWritten(const std::filesystem::path& name, const FileIdentity& stamp, Clock::time_point now);
    // Something wrote to `name`: it settles again from `now`.
    void noteModified(const std::filesystem::path& name, Clock::time_point now);
    // `name` was handled (converted, or tried) as it was at `stamp`.
    void noteHandled(const std::filesystem::path& name, const FileIdentity& stamp);
    bool wasHandled(const std::filesystem::path& name, const FileIdentity& stamp) const;

    // The names settled at `now`, in no particular order; they settle no more.
    // A name that changed since it was noted settles again from `now`; one
    // that is gone is forgotten.
    std::vector<std::filesystem::path> takeReady(Clock::time_point now, const StampOf& stampOf);
    // How long from `now` until takeReady may have something; nothing when
    // no file is settling.
    std::optional<Clock::duration> untilNextCheck(Clock::time_point now) const;
    bool empty() const { return settling_.empty(); }

private:
    struct Settling {
        FileIdentity stamp;
        Clock::time_point since;
    };

    Clock::duration settle_;
    std::map<std::filesystem::path, Settling> settling_;
    std::map<std::filesystem::path, FileIdentity> handled_;
};

} // namespace pellora
