#include "settings/PrivateProfile.h"

#include <cerrno>

namespace pellora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool holdsLineBreakOrNul(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

struct PrivateProfile::Line {
    size_t begin; // first byte
    size_t end;   // end of the text, before CR LF or LF
    size_t next;  // start of the following line
    bool terminated;
};

struct PrivateProfile::Parsed {
    enum class Kind { Blank, Comment, Header, Entry, Other };
    Kind kind = Kind::Other;
    std::string_view name;  // section of a header, key of an entry
    std::string_view value; // entry only
    size_t valueBegin = 0;  // entry only: where the text after "key=" and its blanks starts
};

struct PrivateProfile::Location {
    bool sectionFound = false;
    std::optional<Parsed> entry;
    Line entryLine{};
    // Where a new entry of the section goes: after its last line that is not blank.
    size_t insertAt = 0;
    bool insertAfterUnterminatedLine = false;
};

PrivateProfile::PrivateProfile(std::string bytes)
    : bytes_(std::move(bytes))
    , encoding_(bytes_.starts_with(kUtf8Bom) ? Encoding::Utf8 : Encoding::Cp932)
    , bodyStart_(encoding_ == Encoding::Utf8 ? kUtf8Bom.size() : 0)
{
}

std::optional<std::string> PrivateProfile::value(std::string_view section, std::string_view key) const
{
    if (!canHoldSection(section) || !canHoldKey(key))
        return std::nullopt;
    const Location location = locate(section, key);
    if (!location.entry)
        return std::nullopt;
    std::string_view text = unquoted(location.entry->value);
    return std::string(text.substr(0, text.find('\0')));
}

Status PrivateProfile::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    if (!canHoldSection(section) || !canHoldKey(key) || holdsLineBreakOrNul(value))
        return unexpected(Failure::of(FailureCause::CannotWrite, EINVAL));
    const Location location = locate(section, key);
    if (location.entry) {
        const size_t from = location.entry->valueBegin;
        bytes_.replace(from, location.entryLine.next - from, std::string(value) + std::string(kLineEnd));
        return ok();
    }
    const std::string entry = std::string(key) + "=" + std::string(value) + std::string(kLineEnd);
    if (location.sectionFound) {
        insertLine(location.insertAt, location.insertAfterUnterminatedLine, entry);
        return ok();
    }
    const bool endsUnterminated = bytes_.size() > bodyStart_ && bytes_.back() != '\n';
    const std::string header = "[" + std::string(section) + "]" + std::string(kLineEnd);
    insertLine(bytes_.size(), endsUnterminated, header + entry);
    return ok();
}

bool PrivateProfile::hasSection(std::string_view section) const
{
    return canHoldSection(section) && locate(section, {}).sectionFound;
}

bool PrivateProfile::canHoldSection(std::string_view name) const
{
    // The bracket written after the name must read as the closing one: the
    // name holds none, and does not end in half of a double-byte character,
    // which would take the bracket for its second byte.
    const std::string header = std::string(name) + "]";
    return !name.empty() && trimBlanks(name) == name && !holdsLineBreakOrNul(name)
        && findChar(header, ']') == name.size();
}

bool PrivateProfile::canHoldKey(std::string_view name) const
{
    return !name.empty() && trimBlanks(name) == name && !holdsLineBreakOrNul(name)
        && name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[';
}

PrivateProfile::Line PrivateProfile::lineAt(size_t pos) const
{
    const size_t lf = bytes_.find('\n', pos);
    const size_t stop = lf == std::string::npos ? bytes_.size() : lf;
    const size_t end = (stop > pos && bytes_[stop - 1] == '\r') ? stop - 1 : stop;
    if (lf == std::string::npos)
        return {pos, end, bytes_.size(), false};
    return {pos, end, lf + 1, true};
}

PrivateProfile::Parsed PrivateProfile::parse(const Line& line) const
{
    using Kind = Parsed::Kind;
    const std::string_view whole(bytes_.data() + line.begin, line.end - line.begin);
    const std::string_view text = trimBlanks(whole);
    Parsed parsed;
    if (text.empty()) {
        parsed.kind = Kind::Blank;
    } else if (text.front() == ';') {
        parsed.kind = Kind::Comment;
    } else if (text.front() == '[') {
        const size_t close = findChar(text, ']');
        if (close != std::string_view::npos) {
            parsed.kind = Kind::Header;
            parsed.name = trimBlanks(text.substr(1, close - 1));
        }
    } else if (const size_t equals = whole.find('='); equals != std::string_view::npos) {
        // '=' is below every trail byte of code page 932, so a plain search is safe.
        parsed.kind = Kind::Entry;
        parsed.name = trimBlanks(whole.substr(0, equals));
        const std::string_view rest = whole.substr(equals + 1);
        size_t leading = 0;
        while (leading < rest.size() && isBlank(rest[leading]))
            ++leading;
        parsed.valueBegin = line.begin + equals + 1 + leading;
        parsed.value = trimBlanks(rest);
    }
    return parsed;
}

PrivateProfile::Location PrivateProfile::locate(std::string_view section, std::string_view key) const
{
    using Kind = Parsed::Kind;
    Location location;
    bool inSection = false;
    for (size_t pos = bodyStart_; pos < bytes_.size();) {
        const Line line = lineAt(pos);
        pos = line.next;
        const Parsed parsed = parse(line);
        if (parsed.kind == Kind::Header) {
            if (location.sectionFound)
                break; // the first section of that name has ended
            inSection = namesEqual(parsed.name, section);
            location.sectionFound = inSection;
        } else if (!inSection) {
            continue;
        } else if (parsed.kind == Kind::Entry && namesEqual(parsed.name, key)) {
            location.entry = parsed;
            location.entryLine = line;
            break;
        }
        if (inSection && parsed.kind != Kind::Blank) {
            location.insertAt = line.next;
            location.insertAfterUnterminatedLine = !line.terminated;
        }
    }
    return location;
}

size_t PrivateProfile::charLength(unsigned char byte) const
{
    return (encoding_ == Encoding::Cp932 && isCp932LeadByte(byte)) ? 2 : 1;
}

size_t PrivateProfile::findChar(std::string_view text, char wanted) const
{
    for (size_t i = 0; i < text.size(); i += charLength(static_cast<unsigned char>(text[i]))) {
        if (text[i] == wanted)
            return i;
    }
    return std::string_view::npos;
}

bool PrivateProfile::namesEqual(std::string_view a, std::string_view b) const
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size();) {
        const size_t length = charLength(static_cast<unsigned char>(a[i]));
        if (length == 2) {
            // Both bytes of a double-byte character must match exactly.
            if (a.substr(i, 2) != b.substr(i, 2))
                return false;
        } else if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

// The line end that completes a last line written without one; a lone CR
// there only lacks its LF.
std::string_view PrivateProfile::lineEndCompleting(size_t end) const
{
    return (end > bodyStart_ && bytes_[end - 1] == '\r') ? std::string_view("\n") : kLineEnd;
}

void PrivateProfile::insertLine(size_t at, bool afterUnterminatedLine, const std::string& line)
{
    std::string text = line;
    if (afterUnterminatedLine)
        text.insert(0, lineEndCompleting(at));
    bytes_.insert(at, text);
}

} // namespace pellora
