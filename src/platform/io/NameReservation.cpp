#include "platform/io/NameReservation.h"

#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/WriteAll.h"
#include "platform/text/PathText.h"

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

namespace pellora {

namespace {

// The longest name the system takes, in the bytes its record holds: 255 on
// Linux; on Windows 255 UTF-16 units, at most three bytes of UTF-8 each.
#ifdef _WIN32
constexpr size_t kLongestName = 255 * 3;
constexpr std::string_view kNeverInName{"/\\:\0", 4};
#else
constexpr size_t kLongestName = 255;
constexpr std::string_view kNeverInName{"/\0", 2};
#endif

Unexpected<Failure> cannotPlace(int error) { return unexpected(Failure::ofPlacing(error)); }

// Up to `limit` bytes from the file's current offset.
std::string readUpTo(const FileHandle& file, size_t limit)
{
    FileSystem& fs = file.fileSystem();
    std::string bytes(limit, '\0');
    size_t done = 0;
    while (done < limit) {
        const auto n = fs.read(file, bytes.data() + done, limit - done);
        if (!n || *n == 0)
            break;
        done += *n;
    }
    bytes.resize(done);
    return bytes;
}

// The name an intent file records, or nothing when it holds no complete one.
std::optional<std::string> recordedName(const std::string& intent)
{
    if (!intent.starts_with(NameReservation::kIntent))
        return std::nullopt;
    const std::string rest = intent.substr(NameReservation::kIntent.size());
    const size_t end = rest.find('\n');
    if (end == std::string::npos || end == 0)
        return std::nullopt; // written only in part
    const std::string name = rest.substr(0, end);
    if (name == "." || name == ".." || name.find_first_of(kNeverInName) != std::string::npos)
        return std::nullopt;
    return name;
}

// Removes `path` in `folder` when nobody holds it and it holds nothing but a
// beginning of the marker (an empty file included: the kill fell before the
// marker).
bool removeIfUnfinishedReservation(const FileHandle& folder, const std::filesystem::path& path)
{
    FileSystem& fs = folder.fileSystem();
    const auto opened = openRegular(folder, path, Open::Read | Open::NoFollow, FailureCause::CannotRead);
    if (!opened || static_cast<size_t>(opened->status.size) > NameReservation::kMarker.size())
        return false;
    // Held until the unlink, so a live writer cannot take it meanwhile.
    if (!fs.tryLock(opened->handle))
        return false;
    const std::string content = readUpTo(opened->handle, NameReservation::kMarker.size() + 1);
    if (!NameReservation::kMarker.starts_with(content))
        return false;
    const auto named = FileIdentity::of(folder, path);
    if (!named || named->device != opened->status.device || named->inode != opened->status.inode)
        return false;
    return fs.unlinkAt(folder, path).has_value();
}

} // namespace

NameReservation::NameReservation(const FileHandle& folder, std::filesystem::path path)
    : folder_(&folder), path_(std::move(path))
{
}

NameReservation::NameReservation(NameReservation&& other) noexcept
    : folder_(other.folder_), path_(std::move(other.path_)), intentPath_(std::move(other.intentPath_)),
      intent_(std::move(other.intent_)), file_(std::move(other.file_)), filled_(std::exchange(other.filled_, true))
{
}

NameReservation::~NameReservation()
{
    FileSystem& fs = folder_->fileSystem();
    if (!filled_ && file_.valid() && nameStillHoldsIt())
        [[maybe_unused]] const Status removed = fs.unlinkAt(*folder_, path_);
    // Only now: while the reservation may exist, the intent must too.
    if (intent_.valid())
        [[maybe_unused]] const Status removed = fs.unlinkAt(*folder_, intentPath_);
}

Expected<NameReservation, Failure> NameReservation::take(FileSystem& fs, const std::filesystem::path& path)
{
    return take(fs.workingFolder(), path);
}

Expected<NameReservation, Failure> NameReservation::take(const FileHandle& folder, const std::filesystem::path& name)
{
    NameReservation reservation(folder, name);
    if (const Status recorded = reservation.recordIntent(); !recorded)
        return unexpected(recorded.error());
    if (const Status created = reservation.createMarked(); !created)
        return unexpected(created.error()); // `reservation` removes what it made
    return reservation;
}

Status NameReservation::recordIntent()
{
    const std::string name = pathText::toBytes(path_.filename());
    if (name.empty() || name.size() > kLongestName)
        return cannotPlace(EINVAL);
    auto intent = temporaryFiles::createLocked(*folder_, temporaryFiles::folderOf(path_), 0644);
    if (!intent) {
        // Not the reserved name that was taken, but ever new names of ours.
        const int error = intent.error().systemError;
        return cannotPlace(error == EEXIST || error == EWOULDBLOCK ? EAGAIN : error);
    }
    intent_ = std::move(intent->file);
    intentPath_ = std::move(intent->path);
    const std::string record = std::string(kIntent) + name + "\n";
    if (const Status written = writeAll(intent_, record.data(), record.size()); !written)
        return cannotPlace(written.error().systemError);
    return ok();
}

Status NameReservation::createMarked()
{
    FileSystem& fs = folder_->fileSystem();
    auto file = fs.openAt(*folder_, path_, Open::ReadWrite | Open::Create | Open::Exclusive | Open::NoFollow, 0644);
    if (!file)
        return cannotPlace(file.error().systemError);
    // A sweeper clearing what a killed run reserved under the same name may
    // have taken our new file for that run's: it removes the file, so the
    // name is as good as taken. Only a file we hold is ever removed by us.
    if (!temporaryFiles::lockAsOurs(*file, *folder_, path_))
        return cannotPlace(EEXIST);
    file_ = std::move(*file);
    if (const Status written = writeAll(file_, kMarker.data(), kMarker.size()); !written)
        return cannotPlace(written.error().systemError);
    return ok();
}

bool NameReservation::nameStillHoldsIt() const
{
    return FileIdentity::nameLeadsTo(*folder_, path_, file_);
}

Status NameReservation::fillWith(const std::filesystem::path& from)
{
    if (filled_ || !file_.valid())
        return unexpected(Failure::ofPlacing(EINVAL));
    // A rename replaces whatever has the name; make sure that is still ours.
    if (!nameStillHoldsIt()) {
        filled_ = true; // the name is somebody else's now: never remove it
        return unexpected(Failure::ofPlacing(EEXIST));
    }
    if (const Status moved = folder_->fileSystem().renameAt(*folder_, from, *folder_, path_); !moved)
        return unexpected(Failure::ofPlacing(moved.error().systemError));
    filled_ = true;
    return ok();
}

bool NameReservation::clearAbandoned(const FileHandle& file, const FileHandle& folder,
                                     const std::filesystem::path& where)
{
    const auto name = recordedName(readUpTo(file, kIntent.size() + kLongestName + 1));
    return name && removeIfUnfinishedReservation(folder, where / pathText::toPath(*name));
}

} // namespace pellora
