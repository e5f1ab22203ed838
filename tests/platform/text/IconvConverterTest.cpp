#include "platform/text/posix/IconvConverter.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace pellora {
namespace {

// A conversion the C library does not have is a Failure at the open, as a
// system without code page 932 gives; nothing is thrown.
TEST(IconvConverter, AConversionTheLibraryLacksFailsAtTheOpen)
{
    const auto converter = IconvConverter::open("UTF-8", "NO-SUCH-ENCODING-HERE");
    ASSERT_FALSE(converter.has_value());
    EXPECT_EQ(converter.error().systemError, EINVAL);
}

TEST(IconvConverter, WhatCannotBeConvertedIsSubstitutedAndTheRestGoesOn)
{
    auto converter = IconvConverter::open("UTF-8", "UTF-16LE");
    ASSERT_TRUE(converter.has_value());
    // "a", half of a pair, "b", and a last odd byte.
    const std::string bytes("a\0\x3D\xD8" "b\0\x01", 7);
    const auto twoBytes = [](std::string_view) { return std::size_t{2}; };
    EXPECT_EQ(converter->convert(bytes, "?", twoBytes), "a?b?");
    EXPECT_EQ(converter->convert(std::string("c\0", 2), "?", twoBytes), "c") << "no state left from before";
}

} // namespace
} // namespace pellora
