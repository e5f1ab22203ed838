#include "batch/CollectSourceFiles.h"

#include "platform/io/FolderEntries.h"
#include "platform/text/VisibleName.h"

#include <algorithm>

namespace pellora {

namespace {

// Windows lists a folder in the order of its names in upper case, so "_a"
// comes after "b" there (a lower-case comparison would put it first).
void sortAsWindowsLists(std::vector<SourceFile>& files)
{
    std::vector<std::pair<QString, size_t>> keys;
    keys.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        keys.emplace_back(files[i].Name.toUpper(), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return files[a.second].Path.filename().native() < files[b.second].Path.filename().native();
    });
    std::vector<SourceFile> sorted;
    sorted.reserve(files.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(files[key.second]));
    files = std::move(sorted);
}

} // namespace

Expected<std::vector<SourceFile>, Failure> CollectSourceFiles(const Folder& folder, const QString& extension)
{
    std::vector<SourceFile> files;
    FolderEntries entries(folder.handle(), ".");
    while (const auto entry = entries.next()) {
        // Shown as the list and the log show it, so that a name with a line
        // break or an escape sequence is still one line and only text.
        const QString name = QString::fromStdString(visibleName(std::filesystem::path(entry->name)));
        // A name that starts with a dot is hidden here, and hidden files are
        // not what the user sees in the folder: they are never sources.
        if (name.startsWith(u'.') || !name.endsWith(extension, Qt::CaseInsensitive))
            continue;
        // A link is never a source: deleting it would not remove the picture,
        // and following it would read outside the folder the user chose.
        if (!entries.isRegularFile(*entry))
            continue;
        files.push_back(SourceFile{entry->name, name});
    }
    if (entries.error() != 0)
        return unexpected(Failure::of(FailureCause::CannotRead, entries.error()));
    sortAsWindowsLists(files);
    return files;
}

} // namespace pellora
