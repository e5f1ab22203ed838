#include "cli/ConsoleHost.h"

#include "platform/io/StopSignals.h"
#include "platform/text/PathText.h"

#include <cerrno>
#include <string>

namespace pellora {

namespace {

Status writeLine(std::FILE* stream, std::string_view text)
{
    return writeUtf8(stream, std::string(text) + '\n');
}

// Standard error is where problems are told: when it cannot be written,
// there is nowhere left to tell that.
void tell(std::FILE* err, std::string_view text)
{
    (void)writeLine(err, text);
}

// A reader of standard error pairs a detail with its list line only while the
// detail stays on one line, whatever its maker put into it.
std::string onOneLine(std::string_view text)
{
    // U+2028 and U+2029, the line and paragraph separators.
    constexpr std::string_view kSeparators[] = {"\xE2\x80\xA8", "\xE2\x80\xA9"};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += ' ';
            ++i;
            continue;
        }
        bool separator = false;
        for (const std::string_view s : kSeparators) {
            if (text.substr(i).starts_with(s)) {
                out += ' ';
                i += s.size();
                separator = true;
                break;
            }
        }
        if (!separator)
            out += text[i++];
    }
    return out;
}

} // namespace

ConsoleHost::ConsoleHost(Settings settings, bool answerYes, std::FILE* out, std::FILE* err, bool showProgress,
                         CliMessages messages)
    : settings_(std::move(settings)), answerYes_(answerYes), out_(out), err_(err), showProgress_(showProgress),
      say_(messages)
{
}

// The shell expands a "~" it sees, but not one in quotes or in the settings
// file the window wrote; the folder means the same here as in the window.
RunRequest ConsoleHost::request(unsigned jobs) const
{
    return {pathText::withHomeExpanded(settings_.inDir), pathText::withHomeExpanded(settings_.outDir),
            settings_.prefix, jobs};
}

// Standard output keeps exactly the lines of the list, for scripts; the
// detail goes beside it on standard error, on one line like the list line.
void ConsoleHost::addListLine(std::string_view line, std::string_view detail)
{
    eraseProgress();
    // A reader that went away (`| head -1`) wants no more lines: the run
    // stops at its next file as on Ctrl+C. Any other error (a full disk under
    // a redirected list) loses only lines; the log still has them.
    if (const Status written = writeLine(out_, line); !written && written.error().systemError == EPIPE)
        outputClosed_ = true;
    if (!detail.empty())
        tell(err_, onOneLine(detail));
    drawProgress();
}

bool ConsoleHost::stopRequested()
{
    return stopSignal() != 0;
}

int ConsoleHost::stopSignal() const
{
    if (const int caught = StopSignals::received())
        return caught;
    return outputClosed_ ? kBrokenPipeSignal : 0;
}

void ConsoleHost::setProgressMaximum(int maximum)
{
    maximum_ = maximum;
}

void ConsoleHost::setProgressValue(int value)
{
    value_ = value;
    if (value_ == 0 && maximum_ > 0 && progressShown_)
        eraseProgress();
    else
        drawProgress();
}

void ConsoleHost::showCritical(std::string_view text)
{
    eraseProgress();
    tell(err_, text);
}

bool ConsoleHost::askYesNo(std::string_view text)
{
    eraseProgress();
    tell(err_, text);
    tell(err_, say_(answerYes_ ? CliText::AnsweredYes : CliText::AnsweredNo));
    return answerYes_;
}

void ConsoleHost::drawProgress()
{
    if (!showProgress_ || maximum_ <= 0 || value_ <= 0)
        return;
    constexpr int width = 30;
    const int filled = width * value_ / maximum_;
    std::fprintf(err_, "\r[%.*s%*s] %d/%d", filled, "##############################", width - filled, "", value_,
                 maximum_);
    std::fflush(err_);
    progressShown_ = true;
}

void ConsoleHost::eraseProgress()
{
    if (!progressShown_)
        return;
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    progressShown_ = false;
}

} // namespace pellora
