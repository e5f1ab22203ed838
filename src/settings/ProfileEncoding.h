#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "settings/PrivateProfile.h"

#include <optional>
#include <string>
#include <string_view>

// Which encoding the settings file is saved in. Code page 932 whenever every
// value fits it, since the Windows tool reads the file. A value that does not
// fit (a folder named "Música") would come back as another folder ("M?sica"),
// so then the whole file is saved as UTF-8 with a byte-order mark, every line
// transcoded, and a note of ours as its first line.
//
// The note is what lets a later save bring the file back to code page 932
// once everything fits again. A UTF-8 file without it was written that way on
// purpose by somebody else and stays UTF-8.
//
// A file that opens with a UTF-16 byte-order mark (Notepad's "Unicode") is
// UTF-16 for the Windows tool, which reads and saves it as such; so it stays
// UTF-16 here too, in its own byte order, and every value fits it. It is
// edited in its UTF-8 form, which holds the very same characters.
namespace pellora::profileEncoding {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8Note = "; saved as UTF-8: a value here does not fit code page 932\r\n";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

enum class ByteOrder { LittleEndian, BigEndian };

// A file's bytes in the form PrivateProfile reads and edits: a UTF-16 file as
// UTF-8 with its byte-order mark, any other file as it is.
struct Editable {
    std::string bytes;
    // The file's own byte order, when it is UTF-16.
    std::optional<ByteOrder> utf16;
    // False when saving the edited bytes could not give back the rest of the
    // file as it was: a UTF-16 file with an odd byte count or half of a
    // surrogate pair, or a UTF-32 file. Such a file is read as far as it
    // goes, and left alone.
    bool rewritable = true;
};

Editable editable(std::string fileBytes);

// The bytes that store `edited` (the edited form of `original`) in the
// file's own encoding; nothing when that cannot be done without loss.
std::optional<std::string> savedBytes(const Editable& original, std::string edited);

// Whether the text reads back exactly after a trip through the encoding:
// UTF-8 holds any well-formed text, code page 932 what it has characters for.
bool fitsCp932(std::string_view text);
bool fitsUtf8(std::string_view text);

// A name or a value of a file in `encoding` as UTF-8 text, and such text as
// the file's bytes. Bytes that are not UTF-8 in a UTF-8 file read as U+FFFD.
Expected<std::string, Failure> textOf(PrivateProfile::Encoding encoding, std::string_view bytes);
Expected<std::string, Failure> bytesOf(PrivateProfile::Encoding encoding, std::string_view text);

// A code page 932 file as UTF-8 with its byte-order mark and our note;
// nothing when its bytes are not all code page 932 text (those could not be
// carried over faithfully).
std::optional<std::string> toUtf8(std::string_view cp932Bytes);

// A UTF-8 file of ours back in code page 932, without the mark and the note;
// nothing when it is not ours or something in it does not fit.
std::optional<std::string> backToCp932(std::string_view utf8Bytes);

} // namespace pellora::profileEncoding
