#include "platform/text/PathText.h"

#include "platform/text/Utf8.h"

#include <cstdlib>

namespace pellora::pathText {

std::string withTrailingSeparator(std::string_view folder)
{
    std::string text(folder);
    if (!text.ends_with(kSeparator))
        text += kSeparator;
    return text;
}

std::string withHomeExpanded(std::string_view folder)
{
#ifdef _WIN32
    return std::string(folder);
#else
    // "~user" is left alone: it names someone else's home, not a notation we mean to support.
    if (folder != "~" && !folder.starts_with("~/"))
        return std::string(folder);
    return homeFolder() + std::string(folder.substr(1));
#endif
}

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        return std::string(1, kSeparator);
    return cleaned(utf8::wellFormed(home));
}

std::string cleaned(std::string_view text)
{
    if (text.empty())
        return {};
    std::filesystem::path path = toPath(text).lexically_normal();
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path(); // a separator at the end
    return toText(path.make_preferred());
}

std::filesystem::path toPath(std::string_view text)
{
#ifdef _WIN32
    const std::u16string units = utf8::toUtf16(text);
    return std::filesystem::path(std::wstring(units.begin(), units.end()));
#else
    return std::filesystem::path(std::string(text));
#endif
}

std::string toBytes(const std::filesystem::path& path)
{
#ifdef _WIN32
    return toText(path);
#else
    return path.native();
#endif
}

std::string toText(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::wstring& native = path.native();
    return utf8::fromUtf16(std::u16string(native.begin(), native.end()));
#else
    return utf8::wellFormed(path.native());
#endif
}

} // namespace pellora::pathText
