#pragma once

#include "batch/ConvertTgaToJpeg.h"
#include "batch/SourceFile.h"
#include "batch/SourceKept.h"
#include "platform/Expected.h"
#include "platform/io/Folder.h"
#include "platform/io/UninitializedBytes.h"

#include <filesystem>
#include <optional>

namespace pellora {

// When a converted source may go: only while its JPEG is still in place
// under its name, and only when the source is still the very file that was
// converted, holding exactly the bytes that were converted (so it must have
// been hashed as it was read: the delete option was on when it was handed
// out). Its size and date cannot tell: a picture rewritten in place within
// the file system's time step (a second on exFAT, two on FAT) keeps both.
// Anything else keeps it, and says why. A source no longer there at all
// (the user took it away) is nothing to keep and nothing to tell.
class DeletionPolicy {
public:
    // The run's folders, which must outlive the policy.
    DeletionPolicy(const Folder& sourceFolder, const Folder& jpegFolder);

    // Deletes `source` when it may go. Success when it is gone now;
    // otherwise why it stays.
    Expected<void, SourceKept> deleteConverted(const SourceFile& source, const ConvertedSource& converted,
                                               const std::filesystem::path& jpegName);

private:
    // What is under a source's name when its turn to go comes, when that is
    // not a reason to keep it: the very file that was converted, held open
    // (Open::ToDelete) so it goes as it was checked, or nothing (gone).
    Expected<std::optional<FileHandle>, SourceKept> checkedSource(const std::filesystem::path& name,
                                                                  const ConvertedSource& converted);

    const Folder& sourceFolder_;
    const Folder& jpegFolder_;
    // For reading a source once more before it is deleted.
    UninitializedBytes checkBuffer_;
};

} // namespace pellora
