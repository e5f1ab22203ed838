#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is UTF-8. These are the few rules of that form the
// program relies on, kept where both the file formats and the conversions see
// them alike.
namespace pellora::utf8 {

// What U+FFFD, the replacement character, is in UTF-8.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The sequence that opens `text`. A byte that does not begin a well-formed
// sequence (a stray continuation byte, a cut-off or overlong sequence, a
// surrogate, anything beyond U+10FFFF) is a sequence of its own, one byte
// long and not well-formed. Empty text gives a zero length.
struct Sequence {
    char32_t codePoint = 0; // meaningful when wellFormed
    std::size_t length = 0;
    bool wellFormed = false;
};
Sequence first(std::string_view text);

bool isWellFormed(std::string_view text);

// The text with every byte that is not part of a well-formed sequence turned
// into U+FFFD, as the window's toolkit decodes bytes it is handed.
std::string wellFormed(std::string_view bytes);

void append(std::string& out, char32_t codePoint);

// The UTF-16 code units a code point takes: two beyond the basic plane.
constexpr std::size_t utf16Length(char32_t codePoint) { return codePoint > 0xFFFF ? 2 : 1; }

// UTF-16 text and back. Ill-formed UTF-8 becomes U+FFFD, byte by byte; half
// of a surrogate pair becomes '?', as the toolkit writes it.
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view units);
bool isWellFormed(std::u16string_view units);

} // namespace pellora::utf8
