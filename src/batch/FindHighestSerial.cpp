#include "batch/FindHighestSerial.h"

#include "platform/io/FolderEntries.h"
#include "platform/text/PathText.h"
#include "platform/text/TextToInt16.h"
#include "platform/text/TransitionalQString.h"

namespace pellora {

int FindHighestSerial(const Folder& folder, const QString& prefix)
{
    int highest = 0;
    FolderEntries entries(folder.handle(), ".");
    while (const auto entry = entries.next()) {
        const QString name = QString::fromStdString(pathText::toText(std::filesystem::path(entry->name)));
        if (!name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        // Links count too: their names are taken, whatever they point at.
        if (entries.leadsToFolder(*entry))
            continue;
        const auto serial = textToInt16(name.mid(prefix.size(), 3));
        if (serial && *serial > highest)
            highest = *serial;
    }
    return highest;
}

} // namespace pellora
