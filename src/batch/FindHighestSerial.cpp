#include "batch/FindHighestSerial.h"

#include "platform/io/FolderEntries.h"
#include "platform/text/PathText.h"
#include "platform/text/TextToInt16.h"
#include "platform/text/UnicodeCase.h"
#include "platform/text/Utf8.h"

namespace pellora {

namespace {

// The first `count` characters of `text`, fewer when it is shorter.
std::string_view firstCharacters(std::string_view text, int count)
{
    std::size_t length = 0;
    for (int i = 0; i < count && length < text.size(); ++i)
        length += utf8::first(text.substr(length)).length;
    return text.substr(0, length);
}

} // namespace

int FindHighestSerial(const Folder& folder, std::string_view prefix)
{
    int highest = 0;
    FolderEntries entries(folder.handle(), ".");
    while (const auto entry = entries.next()) {
        const std::string name = pathText::toText(pathText::toPath(entry->name));
        std::size_t prefixBytes = 0;
        if (!unicodeCase::startsWithIgnoringCase(name, prefix, &prefixBytes))
            continue;
        // Links count too: their names are taken, whatever they point at.
        if (entries.leadsToFolder(*entry))
            continue;
        const auto serial = textToInt16(firstCharacters(std::string_view(name).substr(prefixBytes), 3));
        if (serial && *serial > highest)
            highest = *serial;
    }
    return highest;
}

} // namespace pellora
