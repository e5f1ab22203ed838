#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pellora {

// Code page 932 (Shift_JIS as Windows defines it) is the byte form of the two
// text files we share with the Windows tool: the log and the settings file.
class Cp932Codec {
public:
    // What a character that code page 932 cannot hold becomes: '?', which is
    // also what Windows writes for such a character in this code page.
    static constexpr char kSubstitute = '?';

    static std::string encode(const QString& text);
    static QString decode(std::string_view bytes);
};

} // namespace pellora
