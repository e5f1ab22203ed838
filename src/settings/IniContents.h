#pragma once

#include "settings/PrivateProfile.h"

#include <string>
#include <string_view>

namespace pellora {

// What one read of a settings file found, as UTF-8 text, whatever the file's
// own encoding: code page 932, UTF-8 behind its byte-order mark, or UTF-16.
class IniContents {
public:
    explicit IniContents(std::string fileBytes);

    // The stored value, or `fallback` when the section or the key is missing,
    // as the Windows tool's reads hand it back: up to a NUL, and of a text
    // longer than 254 bytes in code page 932 only its first characters that
    // fit, never half of one.
    std::string value(std::string_view section, std::string_view key, std::string_view fallback) const;

    bool hasSection(std::string_view section) const;

private:
    PrivateProfile profile_;
};

} // namespace pellora
