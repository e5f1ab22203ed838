#pragma once

#include "platform/Failure.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pellora {

// The bytes of a private-profile text file ([section] headers, key=value
// entries), read and edited in place. Names and values are bytes in the file's
// own encoding; converting them to and from text is the caller's business.
//
// Reading is lenient: LF-only lines, blanks around keys and the equals sign,
// ';' comment lines and a value in matching double quotes are all accepted,
// and section and key names match whatever the case of their ASCII letters.
// The first of duplicate sections, and the first of duplicate keys within it,
// is the one that counts. Editing touches one line (or inserts one) and keeps
// every other byte as it was.
class PrivateProfile {
public:
    // Code page 932 unless the file opens with a UTF-8 byte-order mark, which
    // a hand-edited file may carry; such a file stays UTF-8 when edited.
    enum class Encoding { Cp932, Utf8 };

    explicit PrivateProfile(std::string bytes);

    Encoding encoding() const { return encoding_; }
    const std::string& bytes() const { return bytes_; }

    // The entry's value without surrounding blanks or matching quotes, ending
    // before any NUL byte; nothing when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing entry, or adds the entry as the last
    // one of its section, or adds the section at the end. Lines it writes end
    // in CR LF. CannotWrite (and nothing changed) when a name could not be
    // read back as written or the value holds a line break or a NUL byte.
    [[nodiscard]] Status setValue(std::string_view section, std::string_view key, std::string_view value);

    // First bytes of code page 932's double-byte characters. Their second byte
    // can be an ASCII letter, ']' or '\', so such text is walked character by
    // character, never byte by byte.
    static bool isCp932LeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

    // Whether a [section] header of that name is in the file.
    bool hasSection(std::string_view section) const;

    bool canHoldSection(std::string_view name) const;
    bool canHoldKey(std::string_view name) const;

private:
    struct Line;
    struct Parsed;
    struct Location;

    Line lineAt(size_t pos) const;
    Parsed parse(const Line& line) const;
    Location locate(std::string_view section, std::string_view key) const;
    size_t charLength(unsigned char byte) const;
    size_t findChar(std::string_view text, char wanted) const;
    bool namesEqual(std::string_view a, std::string_view b) const;
    std::string_view lineEndCompleting(size_t end) const;
    void insertLine(size_t at, bool afterUnterminatedLine, const std::string& line);

    std::string bytes_;
    Encoding encoding_;
    size_t bodyStart_;
};

} // namespace pellora
