#include "batch/FindHighestSerial.h"

#include "platform/text/PathText.h"
#include "platform/text/TransitionalQString.h"
#include "platform/text/TextToInt16.h"

#include <system_error>

namespace pellora {

int FindHighestSerial(const std::filesystem::path& folder, const QString& prefix)
{
    int highest = 0;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const QString name = QString::fromStdString(pathText::toText(it->path().filename()));
        if (!name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        // Links count too: their names are taken, whatever they point at.
        std::error_code statusError;
        if (it->is_directory(statusError))
            continue;
        const auto serial = textToInt16(name.mid(prefix.size(), 3));
        if (serial && *serial > highest)
            highest = *serial;
    }
    return highest;
}

} // namespace pellora
