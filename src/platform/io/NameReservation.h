#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <filesystem>
#include <string_view>

namespace pellora {

class FileSystem;

// A final name held by a file of ours that holds no picture, for file
// systems that can neither rename without replacing nor make hard links
// (exFAT and FAT through FUSE, for example). Creating it exclusively is the
// one never-replace step such a file system still offers; the finished file
// is then renamed over it, which replaces only what we made ourselves.
//
// Creating a file and giving it content are two steps, so a kill can leave
// the reservation empty. Before it is created, a small intent file of ours
// (named like our temporary files) records the name; both stay locked while
// we hold them. A sweep that finds an intent file nobody holds removes the
// name it records when that holds nothing but a beginning of our marker.
//
// Names are looked up from a folder's handle, or from the working folder as
// paths (see FileSystem); the reservation's folder must outlive it.
class NameReservation {
public:
    // What a reservation holds once complete: no picture, no text file and
    // no file of the user's starts like this (0x89 is neither ASCII nor a JPEG start).
    static constexpr std::string_view kMarker = "\x89Pellora name reservation: a picture is being written\r\n";
    // How an intent file starts; the reserved name and a line feed follow.
    static constexpr std::string_view kIntent = "\x89Pellora reserving a name for a picture: ";

    // DestinationExists when the name is taken (a file we made under it
    // that a sweeper took for a killed run's counts as taken), otherwise
    // CannotCommit.
    static Expected<NameReservation, Failure> take(const FileHandle& folder, const std::filesystem::path& name);
    static Expected<NameReservation, Failure> take(FileSystem& fs, const std::filesystem::path& path);

    NameReservation(NameReservation&& other) noexcept;
    NameReservation& operator=(NameReservation&&) = delete;
    NameReservation(const NameReservation&) = delete;
    NameReservation& operator=(const NameReservation&) = delete;
    // Removes an unfilled reservation, if the name still holds it, then the intent file.
    ~NameReservation();

    // Renames `from`, in the same folder, over the reservation, once sure
    // that the name still holds it: DestinationExists when something else
    // took its place.
    [[nodiscard]] Status fillWith(const std::filesystem::path& from);

    // For a sweeper holding the lock of an abandoned temporary file of ours
    // (`file`, read from its start) in `where`, looked up from `folder`: when
    // it is an intent file, removes the name it records if that holds
    // nothing but a beginning of the marker and nobody holds it. True when a
    // name was removed.
    static bool clearAbandoned(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& where);

private:
    NameReservation(const FileHandle& folder, std::filesystem::path path);
    Status recordIntent();
    Status createMarked();
    bool nameStillHoldsIt() const;

    const FileHandle* folder_;
    std::filesystem::path path_;
    std::filesystem::path intentPath_;
    FileHandle intent_; // its lock tells a sweeper that we are alive
    FileHandle file_;
    bool filled_ = false;
};

} // namespace pellora
