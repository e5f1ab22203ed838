#include "cli/ConsoleHost.h"

namespace pellora {

namespace {

void writeLine(std::FILE* stream, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

ConsoleHost::ConsoleHost(Values values, std::FILE* out, std::FILE* err, bool showProgress)
    : values_(std::move(values)), out_(out), err_(err), showProgress_(showProgress)
{
}

void ConsoleHost::addListLine(const QString& line)
{
    eraseProgress();
    writeLine(out_, line);
    drawProgress();
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
    writeLine(err_, values_.answerYes ? QStringLiteral("-> yes (--create-out)") : QStringLiteral("-> no (give --create-out to create it)"));
    return values_.answerYes;
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
