#include "checks/ProfileRewriteCheck.h"

#include "platform/text/Utf8.h"
#include "settings/IniFile.h"
#include "settings/PrivateProfile.h"
#include "settings/ProfileEncoding.h"

#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/text/posix/IconvConverter.h"
#endif

namespace pellora::fuzz {

namespace {

using Encoding = PrivateProfile::Encoding;

// Enough pairs to cover any file a fuzzer writes; keeps each run quick.
constexpr std::size_t kMaxPairs = 256;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct NamePair {
    std::string section;
    std::string key;
};

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// ']' outside double-byte characters, so a trail byte is never taken for it.
std::size_t findClose(std::string_view text, Encoding encoding)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ']')
            return i;
        if (encoding == Encoding::Cp932 && PrivateProfile::isCp932LeadByte(static_cast<unsigned char>(text[i])))
            ++i;
    }
    return std::string_view::npos;
}

// Every section and key name the file seems to hold, each key with the
// section it stands in. A superset is fine: names the file does not really
// hold read as missing before and after.
std::vector<NamePair> namesIn(std::string_view bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        bytes.remove_prefix(kBom.size());
    std::vector<NamePair> pairs;
    std::string section;
    while (!bytes.empty() && pairs.size() < kMaxPairs) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view text = trimmed(line);
        if (!text.empty() && text.front() == '[') {
            if (const std::size_t close = findClose(text, encoding); close != std::string_view::npos)
                section = trimmed(text.substr(1, close - 1));
            continue;
        }
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
            pairs.push_back({section, std::string(trimmed(line.substr(0, equals)))});
    }
    return pairs;
}

// Loose on purpose: names this calls different are different for the reader too.
bool maybeSameName(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string printable(std::string_view bytes)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string describePair(const NamePair& pair)
{
    return "[" + printable(pair.section) + "] " + printable(pair.key);
}

// Every key that is not the written one reads as it did before.
std::optional<std::string> compareForeignKeys(const std::string& beforeBytes, const std::string& afterBytes,
                                              std::string_view section, std::string_view key)
{
    const PrivateProfile before(beforeBytes);
    const PrivateProfile after(afterBytes);
    if (before.encoding() != after.encoding())
        return "the rewrite changed the file's encoding";
    for (const NamePair& pair : namesIn(beforeBytes, before.encoding())) {
        if (maybeSameName(pair.section, section) && maybeSameName(pair.key, key))
            continue;
        const auto was = before.value(pair.section, pair.key);
        const auto now = after.value(pair.section, pair.key);
        if (was != now)
            return "writing [" + printable(section) + "] " + printable(key) + " changed "
                + describePair(pair) + " from '" + printable(was.value_or("<missing>")) + "' to '"
                + printable(now.value_or("<missing>")) + "'";
    }
    return std::nullopt;
}

// What the reader makes of a value as it was written.
std::string readBackOf(std::string_view value)
{
    value = trimmed(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool startsWithBlank(std::string_view value)
{
    return !value.empty() && (value.front() == ' ' || value.front() == '\t');
}

// Plain ASCII that a read hands back exactly as a write got it.
bool isPlainValue(std::string_view value)
{
    if (value.empty() || value.size() > 200 || value.front() == ' ' || value.back() == ' ')
        return false;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return false;
    for (unsigned char c : value) {
        if (c < 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

// The text of a name or a value in the file's encoding, and back; a failed
// conversion (no converter at all) reads as nothing.
std::string textOf(Encoding encoding, const std::string& bytes)
{
    return profileEncoding::textOf(encoding, bytes).value_or(std::string());
}

std::string bytesOf(Encoding encoding, const std::string& text)
{
    return profileEncoding::bytesOf(encoding, text).value_or(std::string());
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A code page 932 file in the UTF-8 form a save turns it into; others as they are.
std::string asUtf8(const std::string& bytes)
{
    if (PrivateProfile(bytes).encoding() == Encoding::Utf8)
        return bytes;
    return profileEncoding::toUtf8(bytes).value_or(std::string());
}

bool carriesOurUtf8Note(const std::string& bytes)
{
    return bytes.starts_with(std::string(profileEncoding::kUtf8Bom) + std::string(profileEncoding::kUtf8Note));
}

// A UTF-16 file's text in UTF-8 behind its mark, decoded by the system (the
// C library's iconv, Windows' own conversion), not by the code under test.
// What it cannot decode (half of a surrogate pair) becomes U+FFFD, a unit at
// a time.
#ifdef _WIN32
std::string utf8FormOf(std::string_view utf16Bytes)
{
    const bool little = utf16Bytes.starts_with(profileEncoding::kUtf16LeBom);
    std::wstring units;
    for (std::size_t at = 2; at + 1 < utf16Bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(utf16Bytes[at]);
        const auto second = static_cast<unsigned char>(utf16Bytes[at + 1]);
        units += static_cast<wchar_t>(little ? first | second << 8 : first << 8 | second);
    }
    if (utf16Bytes.size() % 2 != 0)
        units += L'\xFFFD'; // a byte left over, as iconv replaces it
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), text.data(), size, nullptr,
                          nullptr);
    return std::string(kBom) + text;
}
#else
std::string utf8FormOf(std::string_view utf16Bytes)
{
    const bool little = utf16Bytes.starts_with(profileEncoding::kUtf16LeBom);
    auto decoder = IconvConverter::open("UTF-8", little ? "UTF-16LE" : "UTF-16BE");
    if (!decoder)
        return std::string(kBom);
    return std::string(kBom)
        + decoder->convert(utf16Bytes.substr(2), utf8::kReplacement, [](std::string_view) { return std::size_t{2}; });
}
#endif

// A UTF-16 file stays UTF-16 in its own byte order, holds the value written
// and keeps every other key; one that could not come back as it was is never
// rewritten.
std::optional<std::string> compareUtf16Rewrite(bool rewritable, const std::string& beforeBytes,
                                               const std::string& afterBytes, std::string_view section,
                                               std::string_view key, std::string_view value)
{
    if (isPlainValue(value) && PrivateProfile(utf8FormOf(afterBytes)).value(section, key) != value)
        return "the write stored '" + printable(value) + "', the UTF-16 text does not hold it";
    if (!rewritable && afterBytes != beforeBytes)
        return "the write rewrote a UTF-16 file that cannot come back as it was";
    if (afterBytes == beforeBytes)
        return std::nullopt;
    if (afterBytes.substr(0, 2) != beforeBytes.substr(0, 2) || afterBytes.size() % 2 != 0)
        return "the write changed a UTF-16 file's encoding or byte order";
    if (auto problem = compareForeignKeys(utf8FormOf(beforeBytes), utf8FormOf(afterBytes), section, key))
        return "the write, in UTF-16: " + *problem;
    return std::nullopt;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

ProfileRewriteCheck::Request ProfileRewriteCheck::split(std::span<const std::uint8_t> input)
{
    Request request;
    if (input.empty())
        return request;
    const std::size_t length = std::min<std::size_t>(input[0], input.size() - 1);
    std::string_view head(reinterpret_cast<const char*>(input.data()) + 1, length);
    std::string* parts[] = {&request.section, &request.key, &request.value};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t nul = i < 2 ? head.find('\0') : std::string_view::npos;
        *parts[i] = std::string(head.substr(0, nul));
        head.remove_prefix(nul == std::string_view::npos ? head.size() : nul + 1);
    }
    request.file.assign(reinterpret_cast<const char*>(input.data()) + 1 + length, input.size() - 1 - length);
    return request;
}

std::optional<std::string> ProfileRewriteCheck::run(std::span<const std::uint8_t> input,
                                                    const std::filesystem::path& folder)
{
    const Request request = split(input);
    if (auto problem = inMemory(request))
        return problem;
    return throughFile(request, folder);
}

std::optional<std::string> ProfileRewriteCheck::inMemory(const Request& request)
{
    PrivateProfile profile(request.file);
    if (!profile.setValue(request.section, request.key, request.value)) {
        if (profile.bytes() != request.file)
            return "a refused write changed the bytes";
        return std::nullopt;
    }
    if (auto problem = compareForeignKeys(request.file, profile.bytes(), request.section, request.key))
        return problem;
    const auto stored = profile.value(request.section, request.key);
    if (stored != readBackOf(request.value))
        return "wrote '" + printable(request.value) + "' and read back '"
            + printable(stored.value_or("<missing>")) + "'";
    const std::string once = profile.bytes();
    (void)profile.setValue(request.section, request.key, request.value); // took the same write just above
    if (!startsWithBlank(request.value) && profile.bytes() != once)
        return "writing the same value again changed the bytes";
    return std::nullopt;
}

std::optional<std::string> ProfileRewriteCheck::throughFile(const Request& request,
                                                           const std::filesystem::path& folder)
{
    const std::filesystem::path path = folder / "settings.ini";
    writeFile(path, request.file);
    // A UTF-16 file's names and values are its UTF-8 form's.
    const profileEncoding::Editable original = profileEncoding::editable(request.file);
    const Encoding encoding = PrivateProfile(original.bytes).encoding();
    const std::string section = textOf(encoding, request.section);
    const std::string key = textOf(encoding, request.key);
    const std::string value = textOf(encoding, request.value);

    const IniFile ini(path);
    const IniFile::Entry entry{key, value};
    const bool saved = ini.write(section, std::span(&entry, 1)).has_value();
    const std::string after = readFile(path);
    if (!saved) {
        if (after != request.file)
            return "a failed write changed the file";
        return std::nullopt;
    }
    if (original.utf16) {
        if (auto problem = compareUtf16Rewrite(original.rewritable, request.file, after, bytesOf(encoding, section),
                                               bytesOf(encoding, key), request.value))
            return problem;
    } else if (PrivateProfile(after).encoding() == encoding) {
        if (auto problem = compareForeignKeys(request.file, after, bytesOf(encoding, section), bytesOf(encoding, key)))
            return "the write: " + *problem;
    } else {
        // Only ever our own change: to UTF-8 with our note, or back from it.
        const std::string before = asUtf8(request.file), now = asUtf8(after);
        if (!carriesOurUtf8Note(before) || !carriesOurUtf8Note(now))
            return "the write changed the file's encoding on its own";
        if (auto problem = compareForeignKeys(before, now, bytesOf(Encoding::Utf8, section), bytesOf(Encoding::Utf8, key)))
            return "the write, across encodings: " + *problem;
    }
    if (isPlainValue(request.value)) {
        const auto contents = ini.read();
        const std::string read = contents ? contents->value(section, key, "\x01missing") : "\x01unreadable";
        if (read != value)
            return "the write stored '" + printable(request.value) + "', the read found '" + printable(read) + "'";
    }
    return std::nullopt;
}

} // namespace pellora::fuzz
