#pragma once

#include "PictureLedger.h"

#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pellora::test {

// One folder pair for runs of pellora-cli: distinct sources in "in", and in
// "out" two foreign files that only look like our temporary files. Runs use a
// settings file without values, so only the arguments count.
class CliScene {
public:
    static constexpr int kWidth = 160, kHeight = 120;

    // `outputFolder` elsewhere (on another file system) is removed with the scene.
    explicit CliScene(int firstIndex = 1, int count = 60, std::filesystem::path outputFolder = {});
    ~CliScene();
    CliScene(const CliScene&) = delete;
    CliScene& operator=(const CliScene&) = delete;

    static std::string sourceName(int index);

    std::filesystem::path in() const { return dir / "in"; }
    const std::filesystem::path& out() const { return out_; }

    // --delete --log at quality 90 from `input` into out().
    std::vector<std::string> arguments(const std::filesystem::path& input, unsigned jobs = 2) const;

    bool foreignFilesStayed() const;
    // JPEG files in out() whose bytes hold `text` (a list line written into a picture).
    int jpegsHolding(const std::string& text) const;
    int temporariesLeft() const;

    TempDir dir;
    PictureLedger ledger{30.0};

private:
    std::filesystem::path out_;
};

// How often `part` occurs in `text` (list lines in a run's output, say).
int occurrences(const std::string& text, const std::string& part);

// Lines as a program prints them, each with its line end.
std::string joinedLines(const std::vector<std::string>& lines);
// Whether a log (its bytes) ends with a run's end line and the empty line after it.
bool endsWithEndLine(const std::string& log);
// The names in `folder` not starting with a dot, sorted.
std::vector<std::string> visibleNames(const std::filesystem::path& folder);

} // namespace pellora::test
