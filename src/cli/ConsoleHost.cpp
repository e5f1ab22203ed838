#include "cli/ConsoleHost.h"

#include "platform/io/StopSignals.h"
#include "platform/text/PathText.h"

#include <cerrno>
#include <csignal>

namespace pellora {

namespace {

int writeLine(std::FILE* stream, const QString& text)
{
    return writeUtf8(stream, text + u'\n');
}

// A reader of standard error pairs a detail with its list line only while the
// detail stays on one line, whatever its maker put into it.
QString onOneLine(QString text)
{
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return text;
}

} // namespace

int writeUtf8(std::FILE* stream, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream) ==
                         static_cast<size_t>(utf8.size());
    const bool flushed = std::fflush(stream) == 0;
    if (written && flushed)
        return 0;
    return errno != 0 ? errno : EIO;
}

ConsoleHost::ConsoleHost(Settings settings, bool answerYes, std::FILE* out, std::FILE* err, bool showProgress,
                         CliMessages messages)
    : settings_(std::move(settings)), answerYes_(answerYes), out_(out), err_(err), showProgress_(showProgress),
      say_(messages)
{
}

// The shell expands a "~" it sees, but not one in quotes or in the settings
// file the window wrote; the folder means the same here as in the window.
QString ConsoleHost::inputFolderText()
{
    return QString::fromStdString(pathText::withHomeExpanded(settings_.inDir));
}

QString ConsoleHost::outputFolderText()
{
    return QString::fromStdString(pathText::withHomeExpanded(settings_.outDir));
}

// Standard output keeps exactly the lines of the list, for scripts; the
// detail goes beside it on standard error, on one line like the list line.
void ConsoleHost::addListLine(const QString& line, const QString& detail)
{
    eraseProgress();
    // A reader that went away (`| head -1`) wants no more lines: the run
    // stops at its next file as on Ctrl+C. Any other error (a full disk under
    // a redirected list) loses only lines; the log still has them.
    if (writeLine(out_, line) == EPIPE)
        outputClosed_ = true;
    if (!detail.isEmpty())
        writeLine(err_, onOneLine(detail));
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
    return outputClosed_ ? SIGPIPE : 0;
}

void ConsoleHost::setProgressMaximum(double maximum)
{
    maximum_ = maximum;
}

void ConsoleHost::setProgressValue(double value)
{
    value_ = value;
    if (value_ == 0 && maximum_ > 0 && progressShown_)
        eraseProgress();
    else
        drawProgress();
}

void ConsoleHost::showCritical(const QString& text)
{
    eraseProgress();
    writeLine(err_, text);
}

bool ConsoleHost::askYesNo(const QString& text)
{
    eraseProgress();
    writeLine(err_, text);
    writeLine(err_, QString::fromStdString(say_(answerYes_ ? CliText::AnsweredYes : CliText::AnsweredNo)));
    return answerYes_;
}

void ConsoleHost::drawProgress()
{
    if (!showProgress_ || maximum_ <= 0 || value_ <= 0)
        return;
    constexpr int width = 30;
    const int filled = static_cast<int>(width * value_ / maximum_);
    std::fprintf(err_, "\r[%.*s%*s] %d/%d", filled, "##############################", width - filled, "",
                 static_cast<int>(value_), static_cast<int>(maximum_));
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
