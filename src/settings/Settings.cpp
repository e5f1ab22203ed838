#include "settings/Settings.h"

#include "platform/text/PathText.h"
#include "platform/text/TextToInt16.h"
#include "settings/IniContents.h"
#include "settings/IniFile.h"

#include <array>
#include <optional>
#include <string_view>
#include <tuple>

namespace pellora {

namespace {

#ifdef _WIN32
std::string defaultInputFolder() { return "C:\\Vondrel\\Brisquel"; }
std::string defaultOutputFolder() { return "C:\\Vask_SS"; }
#else
// Elsewhere the game runs under a Windows compatibility layer, whose C: drive
// lives in the home folder.
std::string defaultInputFolder() { return pathText::cleaned(pathText::homeFolder() + "/.wine/drive_c/Vondrel/Brisquel"); }
std::string defaultOutputFolder() { return pathText::cleaned(pathText::homeFolder() + "/Vask_SS"); }
#endif

std::optional<std::string> textFrom(std::string_view stored) { return std::string(stored); }
std::string textOf(const std::string& text) { return text; }

std::optional<int> qualityFrom(std::string_view stored)
{
    const auto value = textToInt16(stored);
    if (!value || *value < 1 || *value > 100)
        return std::nullopt;
    return *value;
}
std::string qualityOf(const int& quality) { return std::to_string(quality); }

std::optional<bool> optionFrom(std::string_view stored)
{
    const auto value = textToInt16(stored);
    if (!value || (*value != 0 && *value != 1))
        return std::nullopt;
    return *value == 1;
}
std::string optionOf(const bool& on) { return on ? "1" : "0"; }

// One stored setting: its key in the settings file, its default as stored
// text, how stored text becomes its value (nothing when the value cannot be
// taken) and its value stored text, where Settings holds it, and where the
// command line gives it.
template <typename T>
struct Field {
    std::string_view key;
    std::string defaultText;
    std::optional<T> (*parse)(std::string_view stored);
    std::string (*format)(const T& value);
    T Settings::*member;
    std::optional<T> SettingsOverlay::*given;

    T valueOf(std::string_view stored) const { return parse(stored).value_or(*parse(defaultText)); }
};

// The one place each key and default is spelled. The defaults are taken when
// first needed: the home folder is the one of that moment.
const auto& fieldTable()
{
    static const std::tuple table{
        Field<std::string>{"indir", defaultInputFolder(), textFrom, textOf, &Settings::inDir, &SettingsOverlay::inDir},
        Field<std::string>{"outdir", defaultOutputFolder(), textFrom, textOf, &Settings::outDir, &SettingsOverlay::outDir},
        Field<std::string>{"match", "sshot", textFrom, textOf, &Settings::prefix, &SettingsOverlay::prefix},
        Field<int>{"quality", "50", qualityFrom, qualityOf, &Settings::quality, &SettingsOverlay::quality},
        Field<bool>{"delcheck", "0", optionFrom, optionOf, &Settings::deleteSources, &SettingsOverlay::deleteSources},
        Field<bool>{"logcheck", "1", optionFrom, optionOf, &Settings::log, &SettingsOverlay::log},
    };
    return table;
}

// Calls `action` with each field, in table order.
template <typename Action>
void forEachField(Action action)
{
    std::apply([&](const auto&... field) { (action(field), ...); }, fieldTable());
}

constexpr size_t kFieldCount = std::tuple_size_v<std::remove_cvref_t<decltype(fieldTable())>>;

} // namespace

Settings Settings::defaults()
{
    Settings settings;
    forEachField([&](const auto& field) { settings.*field.member = field.valueOf(field.defaultText); });
    return settings;
}

Settings Settings::load(const std::filesystem::path& file)
{
    return from(IniFile(file).read());
}

Settings Settings::from(const Expected<IniContents, Failure>& read)
{
    // Without a file each key reads its default through the same rules as a
    // missing key, cut to what a read hands back.
    static const IniContents nothing{std::string()};
    const IniContents& contents = read ? *read : nothing;
    Settings settings;
    forEachField([&](const auto& field) {
        settings.*field.member = field.valueOf(contents.value(kSection, field.key, field.defaultText));
    });
    return settings;
}

Status Settings::save(const std::filesystem::path& file) const
{
    std::array<std::string, kFieldCount> texts;
    std::array<IniFile::Entry, kFieldCount> entries;
    size_t i = 0;
    forEachField([&](const auto& field) {
        texts[i] = field.format(this->*field.member);
        entries[i] = {field.key, texts[i]};
        ++i;
    });
    return IniFile(file).write(kSection, entries);
}

void Settings::overlay(const SettingsOverlay& given)
{
    forEachField([&](const auto& field) {
        if (const auto& value = given.*field.given)
            this->*field.member = *value;
    });
}

} // namespace pellora
