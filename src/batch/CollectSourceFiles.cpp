#include "batch/CollectSourceFiles.h"

#include "batch/Wildcard.h"
#include "platform/FolderText.h"
#include "platform/SystemErrorText.h"

#include <algorithm>
#include <system_error>

namespace pellora {

namespace {

ListingFailure failure(const std::error_code& error)
{
    return ListingFailure{error.value(), SystemErrorText::japanese(error.value())};
}

bool byNameIgnoringCase(const SourceFile& a, const SourceFile& b)
{
    const int order = a.Name.compare(b.Name, Qt::CaseInsensitive);
    if (order != 0)
        return order < 0;
    return a.Path.filename().native() < b.Path.filename().native();
}

} // namespace

Expected<std::vector<SourceFile>, ListingFailure> CollectSourceFiles(const std::filesystem::path& folder,
                                                                     const QString& pattern)
{
    std::vector<SourceFile> files;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const QString name = FolderText::nameOf(it->path());
        if (!Wildcard::matches(pattern, name))
            continue;
        // A link is never a source: deleting it would not remove the picture,
        // and following it would read outside the folder the user chose.
        std::error_code statusError;
        const auto status = it->symlink_status(statusError);
        if (statusError || !std::filesystem::is_regular_file(status))
            continue;
        files.push_back(SourceFile{it->path(), name});
    }
    if (error)
        return unexpected(failure(error));
    std::sort(files.begin(), files.end(), byNameIgnoringCase);
    return files;
}

} // namespace pellora
