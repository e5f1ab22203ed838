#include "cli/CliOptions.h"

#include "platform/text/VisibleName.h"

#include <CLI/CLI.hpp>
#include <charconv>

namespace pellora {

namespace {

std::optional<int> numberBetween(std::string_view text, int lowest, int highest)
{
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, last - first + 1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// Seconds from 0 to `highest`, whole or with a decimal fraction ("1", "0.25"), as milliseconds.
std::optional<std::chrono::milliseconds> secondsUpTo(std::string_view text, int highest)
{
    const size_t point = text.find('.');
    const auto whole = numberBetween(text.substr(0, point), 0, highest);
    if (!whole)
        return std::nullopt;
    int milliseconds = *whole * 1000;
    if (point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        if (fraction.empty() || fraction.size() > 3 || fraction.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        milliseconds += *numberBetween(std::string(fraction) + std::string(3 - fraction.size(), '0'), 0, 999);
    }
    if (milliseconds > highest * 1000)
        return std::nullopt;
    return std::chrono::milliseconds(milliseconds);
}

// Declares the options on CLI11; each one takes effect as it is met, so that
// of --delete and --keep the last one given counts, and the first bad value
// is the one told.
class OptionTable {
public:
    OptionTable(CliOptions& options, const CliMessages& messages) : options_(options), say_(messages)
    {
        // --help is an option like the others here: a usage error beside it is still told.
        app_.set_help_flag();
        app_.allow_extras();
        text("-i,--in", options_.inDir);
        text("-o,--out", options_.outDir);
        text("-p,--prefix", options_.prefix);
        text("--settings", options_.settingsFile);
        number("-q,--quality", 1, 100, CliText::QualityRange, [this](int n) { options_.quality = n; });
        number("-j,--jobs", 1, 256, CliText::JobsRange, [this](int n) { options_.jobs = static_cast<unsigned>(n); });
        flag("--delete", [this] { options_.deleteSources = true; });
        flag("--keep", [this] { options_.deleteSources = false; });
        flag("--log", [this] { options_.log = true; });
        flag("--no-log", [this] { options_.log = false; });
        flag("--create-out", [this] { options_.createOutputFolder = true; });
        flag("--watch", [this] { options_.watch = true; });
        app_.add_option_function<std::string>("--settle", [this](const std::string& value) {
                if (const auto settle = secondsUpTo(value, 60))
                    options_.settle = *settle;
                else
                    refuse(say_(CliText::SettleRange, {visibleName(std::string_view(value))}));
            })->trigger_on_parse();
        flag("-h,--help", [this] { options_.help = true; });
        flag("-V,--version", [this] { options_.version = true; });
    }

    // The first problem, or nothing.
    std::optional<std::string> parse(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> reversed; // as CLI11 takes them
        for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
            addSplit(reversed, *argument);
        try {
            app_.parse(reversed);
        } catch (const CLI::ArgumentMismatch& mismatch) {
            refuse(mismatchReason(mismatch));
        } catch (const CLI::ParseError& error) {
            refuse(error.what()); // none of ours; CLI11's own words then
        }
        if (const auto extras = app_.remaining(); !extras.empty())
            refuse(extraReason(extras.front()));
        return problem_;
    }

private:
    void text(const char* names, std::optional<std::string>& target)
    {
        app_.add_option_function<std::string>(names, [&target](const std::string& value) { target = value; })
            ->trigger_on_parse();
    }

    template <typename Set>
    void number(const char* names, int lowest, int highest, CliText outOfRange, Set set)
    {
        app_.add_option_function<std::string>(names, [=, this](const std::string& value) {
                if (const auto n = numberBetween(value, lowest, highest))
                    set(*n);
                else
                    refuse(say_(outOfRange, {visibleName(std::string_view(value))}));
            })->trigger_on_parse();
    }

    template <typename Set>
    void flag(const char* names, Set set)
    {
        app_.add_flag_callback(names, set)->trigger_on_parse()->disable_flag_override();
    }

    // CLI11 reads "--prefix=" as "--prefix" and takes the next argument as
    // its value; here it is the empty value it reads as.
    void addSplit(std::vector<std::string>& reversed, const std::string& argument) const
    {
        if (argument.starts_with("--") && argument.ends_with('=')) {
            const std::string name = argument.substr(0, argument.size() - 1);
            const CLI::Option* option = app_.get_option_no_throw(name);
            if (option && option->get_expected_max() > 0) {
                reversed.insert(reversed.end(), {std::string(), name});
                return;
            }
        }
        reversed.push_back(argument);
    }

    void refuse(std::string reason)
    {
        if (!problem_)
            problem_ = std::move(reason);
    }

    // A value missing at the end ("--in: 1 required TEXT missing"), or one
    // given to a flag ("keep was given a disallowed flag override"): CLI11
    // names the option only in its message, by its long name.
    std::string mismatchReason(const CLI::ArgumentMismatch& mismatch) const
    {
        const std::string_view said = mismatch.what();
        for (const CLI::Option* option : app_.get_options()) {
            for (const std::string& name : option->get_lnames()) {
                if (said.starts_with("--" + name + ":"))
                    return say_(CliText::NeedsValue, {"--" + name});
                if (said.starts_with(name + " "))
                    return say_(CliText::TakesNoValue, {"--" + name});
            }
        }
        return std::string(said);
    }

    std::string extraReason(const std::string& extra) const
    {
        const bool looksLikeOption = extra.size() > 1 && extra.front() == '-' && extra != "--";
        // Echoed on one line, as a file name is: an argument may hold any byte.
        return say_(looksLikeOption ? CliText::UnknownOption : CliText::UnexpectedArgument,
                    {visibleName(std::string_view(extra))});
    }

    CliOptions& options_;
    const CliMessages& say_;
    CLI::App app_{"pellora-cli"};
    std::optional<std::string> problem_;
};

} // namespace

Expected<CliOptions, std::string> CliOptions::parse(const std::vector<std::string>& arguments,
                                                    const CliMessages& messages)
{
    CliOptions options;
    if (auto problem = OptionTable(options, messages).parse(arguments))
        return unexpected(std::move(*problem));
    return options;
}

} // namespace pellora
