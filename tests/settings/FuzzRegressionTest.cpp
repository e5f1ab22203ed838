#include "checks/ProfileRewriteCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

namespace pellora {
namespace {

// Every settings file and write saved under regressions/profile/ keeps the
// other keys and reads the written value back, in memory and through IniFile's write.
TEST(FuzzRegressionTest, SavedSettingsRewritesKeepEveryOtherKey)
{
    const std::filesystem::path folder = std::filesystem::path(PELLORA_REGRESSIONS_DIR) / "profile";
    const std::vector<std::string> names = test::listNames(folder);
    ASSERT_FALSE(names.empty()) << folder;
    for (const std::string& name : names) {
        test::TempDir scratch;
        const std::vector<unsigned char> bytes = test::readBytes(folder / name);
        const auto problem = fuzz::ProfileRewriteCheck::run(std::span<const std::uint8_t>(bytes.data(), bytes.size()),
                                                            scratch.path());
        EXPECT_FALSE(problem) << name << ": " << problem.value_or("");
    }
}

} // namespace
} // namespace pellora
