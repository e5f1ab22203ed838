#pragma once

#include <filesystem>

namespace pellora {

// Moves a finished file to its final name, never replacing a file that has
// that name, by the strongest means the file system offers:
//   1. a rename that refuses to replace (renameat2 with RENAME_NOREPLACE);
//   2. where the file system refuses that request, a hard link and the
//      removal of the old name (the link fails when the name exists);
//   3. where it refuses hard links too (exFAT, FAT), an exclusive reservation
//      of the name that the file is then renamed over (see NameReservation).
class NoReplaceMove {
public:
    // 0, or minus the errno of the step that failed: EEXIST when the name is
    // taken; otherwise the cause from the last means that was tried.
    static int move(const std::filesystem::path& from, const std::filesystem::path& to);
};

} // namespace pellora
