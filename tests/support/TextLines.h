#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace pellora::test {

// Lines of text in UTF-8, as a front end receives them.
using Lines = std::vector<std::string>;

inline bool contains(const Lines& lines, std::string_view line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

inline std::string joined(const Lines& lines, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : std::string(separator)) + lines[i];
    return text;
}

// `text` with the log's date and time ("2002/01/10 9:05:03") as DATE.
inline std::string withDatesMasked(const std::string& text)
{
    static const std::regex date(R"(\d{4}/\d\d/\d\d \d{1,2}:\d\d:\d\d)");
    return std::regex_replace(text, date, "DATE");
}

} // namespace pellora::test
