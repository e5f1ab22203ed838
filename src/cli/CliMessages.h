#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace pellora {

enum class CliLanguage { English, Japanese };

// Every text the command line says itself. The list lines, the log and the
// engine's messages are not here: they keep their Japanese texts whatever the
// locale, as the log must stay the same for the Windows tool.
enum class CliText {
    Usage,
    SettingsFileInUse,       // %1: the file
    UsageProblem,            // %1: the reason
    TryHelp,
    UnknownOption,           // %1: the argument
    UnexpectedArgument,      // %1: the argument
    NeedsValue,              // %1: the option
    TakesNoValue,            // %1: the option
    QualityRange,            // %1: the value given
    JobsRange,               // %1: the value given
    NamedSettingsFileProblem,   // %1: the file, %2: the cause
    DefaultSettingsFileProblem, // %1: the file, %2: the cause
    DoesNotExist,
    NotRegularFile,
    LargerThan,              // %1: MiB
    CannotBeRead,            // %1: the system's reason
    NoSection,               // %1: the section's name
    LinkToMissingFile,
    AnsweredYes,
    AnsweredNo,
    CodePage932Missing,
    SettleRange,             // %1: the value given
    CannotWatch,             // %1: the folder, %2: the system's reason
    WatchedFolderGone,       // %1: the folder
    Count
};

// The command line's texts in one language: Japanese for a Japanese locale,
// English otherwise.
class CliMessages {
public:
    explicit CliMessages(CliLanguage language = CliLanguage::English) : language_(language) {}

    // The locale that names the messages' language, as the C library picks
    // it: LC_ALL, else LC_MESSAGES, else LANG, the first one set and not empty.
    static CliLanguage languageOf(const char* lcAll, const char* lcMessages, const char* lang);
    // That language, or without any of them the system's (see systemLanguage).
    static CliMessages fromEnvironment();

    CliLanguage language() const { return language_; }

    // The text with %1, %2... replaced by `values`, in the order given.
    std::string operator()(CliText text, std::initializer_list<std::string_view> values = {}) const;

private:
    CliLanguage language_;
};

} // namespace pellora
