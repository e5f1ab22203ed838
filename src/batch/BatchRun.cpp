#include "batch/BatchRun.h"

#include "batch/CollectSourceFiles.h"
#include "batch/ConvertTgaToJpeg.h"
#include "batch/FailureReason.h"
#include "batch/FindHighestSerial.h"
#include "batch/InFlightConversions.h"
#include "log/modFunc.h"
#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/io/UniqueFd.h"
#include "platform/text/PathText.h"
#include "platform/text/TransitionalQString.h"

#include <QDateTime>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>

namespace pellora {

namespace {

std::atomic<bool> runInProgress{false};

constexpr int kHighestSerial = 999;
constexpr std::size_t kCheckBufferBytes = std::size_t{1} << 20;

const QString kInputFolderInvalid = QStringLiteral("コピー元フォルダが無効です。");
const QString kOutputFolderQuestion = QStringLiteral("コピー先フォルダが無効です。\r\n新しく作成しますか？");
const QString kOutputFolderNotCreated = QStringLiteral("コピー先フォルダを作成できません。");
const QString kPrefixInvalid = QStringLiteral("ファイル名が無効です。");
const QString kNoSourceFiles = QStringLiteral("処理するファイルが見つかりません。");
const QString kSerialLimit = QStringLiteral("エラー発生 連番が999件を越えました。");
const QString kLogUnwritable = QStringLiteral("動作ログを書き込めません。");
const QString kLogFileName = QStringLiteral("kavlog.txt");
const QString kSourceExtension = QStringLiteral(".tga");

// The longest serial name the prefix must leave room for.
constexpr qsizetype kSerialNameBytes = sizeof "999.jpg" - 1;
// The longest file name the system accepts, in bytes.
constexpr qsizetype kNameMaxBytes = 255;

// Whether a prefix can begin a file name in the output folder: no folder
// separator, none of \ / : * ? " < > |, no control character, and short
// enough that the prefix and "999.jpg" still make a file name. Empty is fine.
bool isValidPrefix(const QString& prefix)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : prefix) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            return false;
    }
    // "." and ".." followed by digits are still names, but a prefix of only
    // dots would let the serial name start a hidden or relative name.
    if (prefix == u"." || prefix == u"..")
        return false;
    // Too long to be part of a name, it would fail every file of the run.
    return static_cast<qsizetype>(pathText::toPath(prefix).native().size()) + kSerialNameBytes <= kNameMaxBytes;
}

// Date and time as the Japanese general date form writes them: short date, a
// space, long time without a leading zero on the hour ("2002/01/10 9:05:03").
// Fixed whatever the user's locale, so logs read the same everywhere.
QString generalDateNow()
{
    const QDateTime moment = QDateTime::currentDateTime();
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(time.hour())
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

QString listingFailureLine(const Failure& failure)
{
    return QStringLiteral("エラー発生 \r\n") + QString::number(failure.systemError) + QStringLiteral(" : ")
           + systemErrorText(failure.systemError);
}

QString resultLine(const SourceFile& file, const QString& newName, const std::optional<Failure>& failure)
{
    if (failure)
        return QStringLiteral("コピー失敗 エラーコード") + QString::number(resultCodeOf(*failure));
    return file.Name + QStringLiteral("\t--->\t") + newName;
}

// True when `path` still names the very file that was converted and that
// file still holds exactly the bytes that were converted. Its size and date
// cannot tell: a picture rewritten in place within the file system's time
// step (a second on exFAT, two on FAT) keeps both.
bool stillHolds(const std::filesystem::path& path, const ConvertedSource& converted, UninitializedBytes& buffer)
{
    if (!converted.digest.hashed())
        return false;
    UniqueFd fd(FileSystem::current().open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !(FileIdentity::of(info) == converted.identity))
        return false;
    if (buffer.size() < kCheckBufferBytes)
        buffer.resize(kCheckBufferBytes);
    const auto digest = ContentDigest::ofFile(fd.get(), std::span<std::uint8_t>(buffer.data(), buffer.size()));
    if (!digest || !(*digest == converted.digest))
        return false;
    // And the name still leads to it.
    const auto named = FileIdentity::of(path);
    return named && named->device == converted.identity.device && named->inode == converted.identity.inode;
}

QString serialName(const QString& prefix, int serial)
{
    return prefix + QStringLiteral("%1").arg(serial, 3, 10, QLatin1Char('0')) + QStringLiteral(".jpg");
}

// Clears the in-progress mark however the run ends.
class InProgressMark {
public:
    bool acquire() { return held_ = !runInProgress.exchange(true); }
    ~InProgressMark()
    {
        if (held_)
            runInProgress.store(false);
    }

private:
    bool held_ = false;
};

} // namespace

BatchRun::BatchRun(BatchHost& host, unsigned jobs) : host_(host), jobs_(jobs == 0 ? 1 : jobs) {}

bool BatchRun::inProgress()
{
    return runInProgress.load();
}

BatchSummary BatchRun::run()
{
    InProgressMark mark;
    if (!mark.acquire())
        return BatchSummary{BatchEnd::AlreadyRunning};

    summary_ = BatchSummary{};
    host_.setBusy(true);
    host_.clearList();
    inDir_ = pathText::withTrailingSeparator(host_.inputFolderText());
    outDir_ = pathText::withTrailingSeparator(host_.outputFolderText());
    logPath_ = pathText::toPath(outDir_ + kLogFileName);
    matchPrefix_ = host_.prefixText();
    reportLogFailures_ = false;

    summary_.end = checkFoldersAndPrefix();
    if (summary_.end == BatchEnd::Completed) {
        reportLogFailures_ = true;
        temporaryFiles::sweep(pathText::toPath(outDir_));
        log(QStringLiteral("---処理開始--- [") + generalDateNow() + QStringLiteral("]"));
        auto files = CollectSourceFiles(pathText::toPath(inDir_), kSourceExtension);
        if (!files) {
            report(listingFailureLine(files.error()));
            summary_.end = BatchEnd::ListingFailed;
        } else if (files->empty()) {
            report(kNoSourceFiles);
            summary_.end = BatchEnd::NoSourceFiles;
        } else {
            summary_.end = convertAll(*files);
        }
    }
    finish();
    return summary_;
}

BatchEnd BatchRun::checkFoldersAndPrefix()
{
    if (!modFunc::FolderExists(pathText::toPath(inDir_))) {
        host_.showCritical(kInputFolderInvalid);
        host_.focusInputFolder();
        return BatchEnd::InputFolderMissing;
    }
    // A separator in the prefix would write outside the output folder.
    if (!isValidPrefix(matchPrefix_)) {
        host_.showCritical(kPrefixInvalid);
        host_.focusPrefix();
        return BatchEnd::InvalidPrefix;
    }
    if (!modFunc::FolderExists(pathText::toPath(outDir_))) {
        if (!host_.askYesNo(kOutputFolderQuestion)) {
            host_.focusOutputFolder();
            return BatchEnd::OutputFolderDeclined;
        }
        if (!createOutputFolder()) {
            host_.showCritical(kOutputFolderNotCreated);
            host_.focusOutputFolder();
            return BatchEnd::OutputFolderNotCreated;
        }
    }
    return BatchEnd::Completed;
}

bool BatchRun::createOutputFolder()
{
    // One level only: a mistyped parent should not grow a tree of folders.
    const int rc = FileSystem::current().mkdir(pathText::toPath(outDir_));
    return rc == 0 && modFunc::FolderExists(pathText::toPath(outDir_));
}

BatchEnd BatchRun::convertAll(const std::vector<SourceFile>& files)
{
    int serial = FindHighestSerial(pathText::toPath(outDir_), matchPrefix_);
    host_.setProgressMaximum(static_cast<double>(files.size()));
    host_.setProgressValue(0);

    InFlightConversions inFlight(jobs_);
    BatchEnd end = BatchEnd::Completed;
    double progress = 0;
    size_t next = 0;
    for (;;) {
        // Hand out work while there is room; each hand-out is one file's turn.
        while (end == BatchEnd::Completed && next < files.size() && inFlight.hasRoom()) {
            end = handOut(files[next], serial, inFlight);
            if (end == BatchEnd::Completed)
                ++next;
        }
        if (inFlight.empty())
            break;
        // Everything visible happens in list order, after that file's conversion.
        const auto done = inFlight.takeOldest([this] { host_.yield(); });
        // Once per file before its line: an option changed after one line
        // takes effect for the next, however many files are in flight.
        host_.yield();
        finishFile(done);
        host_.setProgressValue(++progress);
    }
    if (end == BatchEnd::SerialLimit)
        report(kSerialLimit);
    return end;
}

// Completed when the file was handed out, otherwise why no more files are.
BatchEnd BatchRun::handOut(const SourceFile& file, int& serial, InFlightConversions& inFlight)
{
    host_.yield();
    if (host_.stopRequested())
        return BatchEnd::Stopped;
    if (++serial > kHighestSerial)
        return BatchEnd::SerialLimit;
    const QString newName = serialName(matchPrefix_, serial);
    // A file handed out with the delete option off is not hashed as it is
    // read, and so stays even if the option is turned on before it is done:
    // nothing can prove it still holds what was converted.
    inFlight.start(file, newName, pathText::toPath(outDir_ + newName), host_.quality(), host_.deleteOption() == 1);
    return BatchEnd::Completed;
}

void BatchRun::finishFile(const InFlightConversions::Done& done)
{
    // A failure line names no file; the detail says which one and why.
    report(resultLine(done.file, done.newName, done.failure),
           done.failure ? done.file.Name + QStringLiteral(": ") + failureReason(*done.failure) : QString());
    if (done.failure) {
        ++summary_.failed;
        return;
    }
    ++summary_.converted;
    if (host_.deleteOption() == 1 && mayDeleteSource(done.file.Path, done.source, done.newName))
        modFunc::DeleteFileIfExists(done.file.Path);
}

bool BatchRun::mayDeleteSource(const std::filesystem::path& source, const ConvertedSource& converted,
                               const QString& newName)
{
    // A source replaced or rewritten since it was read holds a picture the
    // JPEG does not show; and a JPEG moved or removed meanwhile no longer
    // stands in for its source. Either way the source stays.
    return FileIdentity::of(pathText::toPath(outDir_ + newName)).has_value() &&
           stillHolds(source, converted, checkBuffer_);
}

void BatchRun::finish()
{
    host_.setBusy(false);
    host_.setProgressValue(0);
    // The end line carries its own CR LF, so the log shows an empty line after each run.
    log(QStringLiteral("---処理終了--- [") + generalDateNow() + QStringLiteral("]\r\n"));
}

void BatchRun::report(const QString& line, const QString& detail)
{
    host_.addListLine(line, detail);
    log(line);
}

void BatchRun::log(const QString& line)
{
    if (host_.logOption() != 1)
        return;
    if (!modFunc::AppendLogLine(line, logPath_))
        return;
    if (reportLogFailures_ && !summary_.logWriteFailed)
        host_.addListLine(kLogUnwritable, QString());
    if (reportLogFailures_)
        summary_.logWriteFailed = true;
}

} // namespace pellora
