#pragma once

#include "platform/Expected.h"
#include "platform/UniqueFd.h"

#include <filesystem>
#include <string_view>

namespace pellora {

// A final name held by an empty-but-for-a-marker file of ours, for file
// systems that can neither rename without replacing nor make hard links
// (exFAT and FAT through FUSE, for example). Creating it exclusively is the
// one never-replace step such a file system still offers; the finished file
// is then renamed over it, which replaces only what we made ourselves.
//
// While we hold it, the reservation is locked. A run killed in between
// leaves it behind; a later sweep removes it only when it can take the lock
// and the file holds nothing but the marker.
class NameReservation {
public:
    // What a reservation holds: no picture, no text file and no file of the
    // user's starts like this (0x89 is no ASCII and no JPEG start).
    static constexpr std::string_view kMarker = "\x89Pellora name reservation: a picture is being written\r\n";

    // Minus errno on failure: EEXIST when the name is taken.
    static Expected<NameReservation, int> take(const std::filesystem::path& path);

    NameReservation(NameReservation&& other) noexcept;
    NameReservation& operator=(NameReservation&&) = delete;
    NameReservation(const NameReservation&) = delete;
    NameReservation& operator=(const NameReservation&) = delete;
    // An unfilled reservation removes itself, if the name still holds it.
    ~NameReservation();

    // Renames `from` over the reservation, once sure that the name still
    // holds it. 0, or minus errno (EEXIST when something else took its place).
    int fillWith(const std::filesystem::path& from);

    // Removes `path` when it is a reservation nobody holds any more. True when removed.
    static bool clearIfAbandoned(const std::filesystem::path& path);

private:
    NameReservation(UniqueFd fd, std::filesystem::path path);
    bool nameStillHoldsIt() const;

    UniqueFd fd_; // its lock tells a sweeper that we are alive
    std::filesystem::path path_;
    bool filled_ = false;
};

} // namespace pellora
