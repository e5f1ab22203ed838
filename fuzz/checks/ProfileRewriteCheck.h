#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace pellora::fuzz {

// Writes one value into an arbitrary settings file and checks that every other
// key of every section reads as it did before, that the written value reads
// back, and that a refused write changes nothing. Done twice: on the bytes in
// memory, and through the file with IniFile's write and read.
//
// The input's first byte is the length of a request that follows it:
// section, key and value separated by NUL bytes. The rest is the file.
class ProfileRewriteCheck {
public:
    struct Request {
        std::string section;
        std::string key;
        std::string value;
        std::string file;
    };

    static Request split(std::span<const std::uint8_t> input);

    // The first broken invariant, or nothing. `folder` is a scratch folder the
    // settings file is written to.
    static std::optional<std::string> run(std::span<const std::uint8_t> input,
                                          const std::filesystem::path& folder);

private:
    static std::optional<std::string> inMemory(const Request& request);
    static std::optional<std::string> throughFile(const Request& request, const std::filesystem::path& folder);
};

} // namespace pellora::fuzz
