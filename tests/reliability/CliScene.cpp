#include "CliScene.h"

#include "platform/io/TemporaryFiles.h"
#include "platform/text/Cp932.h"


#include <algorithm>
#include <regex>
#include <cstdio>

namespace pellora::test {

namespace {

const char* const kForeignNames[] = {".pellora-notours.tmp", ".pellora-0123456789ABCDEF.tmp"};

bool isJpegName(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
}

} // namespace

CliScene::CliScene(int firstIndex, int count, std::filesystem::path outputFolder)
    : out_(outputFolder.empty() ? dir / "out" : std::move(outputFolder))
{
    std::filesystem::create_directories(in());
    std::filesystem::create_directories(out());
    const std::string settings = "[initialize]\r\n"; // nothing set: only the arguments count
    writeBytes(dir / "empty.ini", std::vector<unsigned char>(settings.begin(), settings.end()));
    for (int i = 0; i < count; ++i)
        ledger.addSource(in() / sourceName(firstIndex + i), distinctPicture(kWidth, kHeight, firstIndex + i));
    for (const char* name : kForeignNames)
        writeBytes(out() / name, {'k', 'e', 'e', 'p'});
}

CliScene::~CliScene()
{
    std::error_code ignored;
    if (out_.parent_path() != dir.path())
        std::filesystem::remove_all(out_, ignored);
}

std::string CliScene::sourceName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot_%02d.tga", index);
    return name;
}

std::vector<std::string> CliScene::arguments(const std::filesystem::path& input, unsigned jobs) const
{
    return {"--settings", (dir / "empty.ini").string(), "--in", input.string(), "--out", out().string(),
            "--quality", "90", "--delete", "--log", "--jobs", std::to_string(jobs)};
}

bool CliScene::foreignFilesStayed() const
{
    return std::all_of(std::begin(kForeignNames), std::end(kForeignNames),
                       [&](const char* name) { return std::filesystem::exists(out() / name); });
}

int CliScene::jpegsHolding(const std::string& text) const
{
    int count = 0;
    for (const auto& name : listNames(out()))
        if (isJpegName(name) && readText(out() / name).find(text) != std::string::npos)
            ++count;
    return count;
}

int CliScene::temporariesLeft() const
{
    const auto names = listNames(out());
    return static_cast<int>(std::count_if(names.begin(), names.end(), temporaryFiles::isOurs));
}

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

std::string joinedLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

bool endsWithEndLine(const std::string& log)
{
    static const std::regex endLine("\r\n---処理終了--- \\[\\d{4}/\\d\\d/\\d\\d \\d{1,2}:\\d\\d:\\d\\d\\]\r\n\r\n$");
    return std::regex_search(cp932::decode(log).value(), endLine);
}

std::vector<std::string> visibleNames(const std::filesystem::path& folder)
{
    auto names = listNames(folder);
    std::erase_if(names, [](const std::string& name) { return name.starts_with('.'); });
    return names;
}

} // namespace pellora::test
