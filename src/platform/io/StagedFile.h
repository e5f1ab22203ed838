#pragma once

#include "platform/io/CommitOutcome.h"
#include "platform/io/UniqueFd.h"

#include <filesystem>

namespace pellora {

// A file written completely to a temporary name beside its destination, not
// yet synced or moved. Committing syncs it, moves it to its final name without
// ever replacing a file (NoReplaceMove), and syncs the folder. A staged file that is dropped
// uncommitted removes its temporary file, so no failure path leaves one.
class StagedFile {
public:
    StagedFile(UniqueFd fd, std::filesystem::path temporary, std::filesystem::path destination);
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // The temporary file, open for writing.
    int fd() const { return fd_.get(); }

    // Safe to run on another thread than the one that staged the file. A
    // failure keeps the system's reason for the step that failed.
    CommitOutcome commit();

private:
    void discard();

    UniqueFd fd_; // holds the temporary file's lock until it is committed or removed
    std::filesystem::path temporary_;
    std::filesystem::path destination_;
    bool pending_ = true;
};

} // namespace pellora
