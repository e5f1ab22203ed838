#include "checks/Cp932RoundTripCheck.h"
#include "checks/SerialConversionCheck.h"
#include "checks/TgaDecodeCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace pellora {
namespace {

using Check = std::function<std::optional<std::string>(std::span<const std::uint8_t>)>;

// Every input saved under regressions/<target>/ passes the target's checks;
// an overread or undefined behaviour shows in the sanitizer build.
void replaySaved(const std::string& target, const Check& check)
{
    const std::filesystem::path folder = std::filesystem::path(PELLORA_REGRESSIONS_DIR) / target;
    // A replay that skips for want of inputs would pass whatever the target does.
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << "no saved inputs for " << target;
    int replayed = 0;
    for (const std::string& name : test::listNames(folder)) {
        const std::vector<unsigned char> bytes = test::readBytes(folder / name);
        const auto problem = check(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
        EXPECT_FALSE(problem) << target << "/" << name << ": " << problem.value_or("");
        ++replayed;
    }
    EXPECT_GT(replayed, 0) << folder << " is empty";
}

TEST(FuzzRegressionTest, SavedTgaFilesDecodeWholeAndInBounds)
{
    replaySaved("tga_decoder", fuzz::TgaDecodeCheck::run);
}

TEST(FuzzRegressionTest, SavedBytesSurviveTheCodePageBothWays)
{
    replaySaved("cp932", fuzz::Cp932RoundTripCheck::run);
}

TEST(FuzzRegressionTest, SavedSerialTextsConvertWithinRange)
{
    replaySaved("serial", fuzz::SerialConversionCheck::run);
}

} // namespace
} // namespace pellora
