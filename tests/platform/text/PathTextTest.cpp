#include "platform/text/PathText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace pellora {
namespace {

#ifndef _WIN32
// Sets $HOME for one test and puts back what was there.
class ScopedHome {
public:
    explicit ScopedHome(const char* value)
    {
        if (const char* before = std::getenv("HOME"))
            before_ = before;
        if (value)
            ::setenv("HOME", value, 1);
        else
            ::unsetenv("HOME");
    }
    ~ScopedHome()
    {
        if (before_)
            ::setenv("HOME", before_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;

private:
    std::optional<std::string> before_;
};

TEST(PathText, ALeadingTildeIsTheHomeFolder)
{
    const ScopedHome scoped("/home/u");
    const std::string home = "/home/u";
    const struct {
        const char* typed;
        std::string meant;
    } cases[] = {
        {"~", home},
        {"~/", home + "/"},
        {"~/shots", home + "/shots"},
        {"~/.wine/drive_c", home + "/.wine/drive_c"},
        // Anything else is a name like any other.
        {"~shots", "~shots"},
        {"~root/shots", "~root/shots"},
        {"/data/~/shots", "/data/~/shots"},
        {"shots/~", "shots/~"},
        {" ~/shots", " ~/shots"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pathText::withHomeExpanded(c.typed), c.meant) << c.typed;
}

// As the window's toolkit took it: $HOME cleaned, or the root without one.
TEST(PathText, TheHomeFolderIsHomeCleaned)
{
    const struct {
        const char* home; // unset when null
        const char* folder;
    } cases[] = {
        {"/home/u", "/home/u"},    {"/home/u/", "/home/u"},       {"/home//u", "/home/u"},
        {"/home/./u/../v", "/home/v"}, {"/home/u/.", "/home/u"},  {"/", "/"}, {"", "/"},
        {nullptr, "/"},            {"/home/\xFF", "/home/\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        const ScopedHome scoped(c.home);
        EXPECT_EQ(pathText::homeFolder(), c.folder) << (c.home ? c.home : "unset");
    }
}

TEST(PathText, TextAndPathCarryTheSameName)
{
    for (const char* text : {"/data/スクショ/", "shots", "", "/home/u/M\u00FAsica"}) {
        EXPECT_EQ(pathText::toText(pathText::toPath(text)), text) << text;
        EXPECT_EQ(pathText::toPath(text).native(), text) << "a file's name is its bytes";
    }
    EXPECT_EQ(pathText::toText(std::filesystem::path("/tmp/\xFF\xFE")), "/tmp/\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(PathText, ASeparatorIsAddedOnlyWhenMissing)
{
    EXPECT_EQ(pathText::withTrailingSeparator("/data/shots"), "/data/shots/");
    EXPECT_EQ(pathText::withTrailingSeparator("/data/shots/"), "/data/shots/");
    EXPECT_EQ(pathText::withTrailingSeparator(""), "/");
}
#endif

} // namespace
} // namespace pellora
