#pragma once

#include <cstddef>
#include <string_view>

// How much of a text one substitute stands for, when it cannot be converted
// to or from code page 932. Every system's conversion follows these, so a
// name that cannot be written costs the same '?'s on Linux and on Windows.
namespace pellora::cp932 {

// The bytes of UTF-8 text, at the start of `rest`, that a character the
// code page lacks (or a sequence that is no UTF-8) takes: at least one.
std::size_t unencodableLength(std::string_view rest);

// The bytes at the start of `rest` that one substitute replaces when they
// start no character of the code page: always one, since the second byte of
// a broken pair may be a character of its own.
std::size_t undecodableLength(std::string_view rest);

} // namespace pellora::cp932
