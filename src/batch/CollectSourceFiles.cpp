#include "batch/CollectSourceFiles.h"

#include "platform/io/FolderEntries.h"
#include "platform/text/NaturalOrder.h"
#include "platform/text/PathText.h"
#include "platform/text/UnicodeCase.h"
#include "platform/text/VisibleName.h"

#include <algorithm>

namespace pellora {

namespace {

// A folder here is listed in no order of its own, so the run puts the names
// in the order their shots were taken: ScreenShot2 before ScreenShot10, as
// people read them. Names that show alike fall back on their bytes, so the
// order is the same on every run.
void sortByName(std::vector<SourceFile>& files)
{
    std::vector<std::pair<NaturalOrder, size_t>> keys;
    keys.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        keys.emplace_back(NaturalOrder(files[i].name), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return files[a.second].path.filename().native() < files[b.second].path.filename().native();
    });
    std::vector<SourceFile> sorted;
    sorted.reserve(files.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(files[key.second]));
    files = std::move(sorted);
}

} // namespace

Expected<std::vector<SourceFile>, Failure> CollectSourceFiles(const Folder& folder, std::string_view extension)
{
    std::vector<SourceFile> files;
    FolderEntries entries(folder.handle(), ".");
    while (const auto entry = entries.next()) {
        // Shown as the list and the log show it, so that a name with a line
        // break or an escape sequence is still one line and only text.
        std::string name = visibleName(pathText::toPath(entry->name));
        // A name that starts with a dot is hidden here, and hidden files are
        // not what the user sees in the folder: they are never sources.
        if (name.starts_with('.') || !unicodeCase::endsWithIgnoringCase(name, extension))
            continue;
        // A link is never a source: deleting it would not remove the picture,
        // and following it would read outside the folder the user chose.
        if (!entries.isRegularFile(*entry))
            continue;
        files.push_back(SourceFile{pathText::toPath(entry->name), std::move(name)});
    }
    if (entries.error() != 0)
        return unexpected(Failure::of(FailureCause::CannotRead, entries.error()));
    sortByName(files);
    return files;
}

} // namespace pellora
