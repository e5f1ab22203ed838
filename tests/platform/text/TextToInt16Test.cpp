#include "platform/text/TextToInt16.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

namespace pellora {
namespace {

std::optional<int> convert(const char* text)
{
    const auto value = textToInt16(text);
    return value ? std::optional<int>(*value) : std::nullopt;
}

TEST(TextToInt16, ReadsTheNumericFormsOfTheWindowsConversion)
{
    EXPECT_EQ(convert("012"), 12);
    EXPECT_EQ(convert("9  "), 9);
    EXPECT_EQ(convert(" 7"), 7);
    EXPECT_EQ(convert("-12"), -12);
    EXPECT_EQ(convert("+5"), 5);
    EXPECT_EQ(convert("1e2"), 100);
    EXPECT_EQ(convert("2.5"), 2);  // half to even
    EXPECT_EQ(convert("3.5"), 4);
    EXPECT_EQ(convert(".5"), 0);
    EXPECT_EQ(convert("80.5"), 80);
    EXPECT_EQ(convert("32767"), 32767);
    EXPECT_EQ(convert("-32768"), -32768);
    EXPECT_EQ(convert("-32768.5"), -32768);
}

TEST(TextToInt16, RefusesTextThatIsNotOneNumber)
{
    for (const char* text : {"", "   ", "abc", "9.j", "1 2", "12a", "e5", "1e", "+", "-", ".", "32768", "32767.5",
                             "-32769", "1e999", "0x10", "１２"})
        EXPECT_FALSE(convert(text).has_value()) << '"' << text << '"';
}

TEST(TextToInt16, IgnoresTheProcessLocale)
{
    // A window sets the C locale from the environment; a decimal comma must not creep in.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        std::setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(convert("2.5"), 2);
    EXPECT_FALSE(convert("2,5").has_value());
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace
} // namespace pellora
