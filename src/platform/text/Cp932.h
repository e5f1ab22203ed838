#pragma once

#include <QString>
#include <string>
#include <string_view>

// Code page 932 (Shift_JIS as Windows defines it) is the byte form of the two
// text files we share with the Windows tool: the log and the settings file.
namespace pellora::cp932 {

// What a character that code page 932 cannot hold becomes: '?', which is
// also what Windows writes for such a character in this code page.
constexpr char kSubstitute = '?';

std::string encode(const QString& text);
QString decode(std::string_view bytes);

} // namespace pellora::cp932
