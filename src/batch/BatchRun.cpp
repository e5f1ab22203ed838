#include "batch/BatchRun.h"

#include "batch/CollectSourceFiles.h"
#include "batch/ConvertTgaToJpeg.h"
#include "batch/FailureReason.h"
#include "batch/FindHighestSerial.h"
#include "batch/InFlightConversions.h"
#include "log/modFunc.h"
#include "platform/io/FileIdentity.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/text/PathText.h"
#include "platform/text/TransitionalQString.h"
#include "platform/text/VisibleName.h"

#include <QDateTime>

#include <atomic>
#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

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

// The system error an exception stands for: ENOMEM for memory that ran out,
// a system error's own number, or 0 ("unexpected") for anything else.
int systemErrorOf(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return ENOMEM;
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        const auto& category = system->code().category();
        if (category == std::generic_category() || category == std::system_category())
            return system->code().value();
    }
    return 0;
}

QString resultLine(const SourceFile& file, const QString& newName, const std::optional<Failure>& failure)
{
    if (failure)
        return QStringLiteral("コピー失敗 エラーコード") + QString::number(resultCodeOf(*failure));
    return file.Name + QStringLiteral("\t--->\t") + newName;
}

// What is under a source's name when its turn to go comes, when it is not a
// reason to keep it.
enum class SourceNow { Unchanged, Gone };

Unexpected<SourceKept> kept(SourceKept::Because because)
{
    return unexpected(SourceKept{because});
}

Unexpected<SourceKept> uncheckable(int systemError)
{
    return unexpected(SourceKept{SourceKept::Because::Failed, Failure::of(FailureCause::CannotRead, systemError)});
}

// Unchanged when `name` in `folder` still names the very file that was
// converted and that file still holds exactly the bytes that were converted;
// Gone when nothing is there any more. Its size and date cannot tell: a picture rewritten in
// place within the file system's time step (a second on exFAT, two on FAT)
// keeps both.
Expected<SourceNow, SourceKept> sourceNow(const Folder& folder, const std::filesystem::path& name,
                                          const ConvertedSource& converted, UninitializedBytes& buffer)
{
    if (!converted.digest.hashed())
        return kept(SourceKept::Because::ReadBeforeDeleteWasOn);
    const auto opened = openRegular(folder.handle(), name, Open::Read | Open::NoFollow, FailureCause::CannotRead);
    const int error = opened ? 0 : opened.error().systemError;
    if (error == ENOENT)
        return SourceNow::Gone;
    // A link now stands under its name (ELOOP), or something else that is no picture.
    if (error == ELOOP || (!opened && opened.error().cause == FailureCause::NotRegularFile))
        return kept(SourceKept::Because::Changed);
    if (!opened)
        return uncheckable(error);
    if (!(FileIdentity::of(opened->status) == converted.identity))
        return kept(SourceKept::Because::Changed);
    if (buffer.size() < kCheckBufferBytes)
        buffer.resize(kCheckBufferBytes);
    const auto digest = ContentDigest::ofFile(opened->handle, std::span<std::uint8_t>(buffer.data(), buffer.size()));
    if (!digest)
        return unexpected(SourceKept{SourceKept::Because::Failed, digest.error()});
    if (!(*digest == converted.digest))
        return kept(SourceKept::Because::Changed);
    // And the name still leads to it.
    const auto named = FileIdentity::of(folder.handle(), name);
    if (!named)
        return SourceNow::Gone;
    if (named->device != converted.identity.device || named->inode != converted.identity.inode)
        return kept(SourceKept::Because::Changed);
    return SourceNow::Unchanged;
}

// The folder `path` names, or nothing when it names none (the reason does not matter here).
std::optional<Folder> openFolder(FileSystem& fs, const std::filesystem::path& path)
{
    if (path.empty())
        return std::nullopt;
    auto folder = Folder::open(fs, path);
    return folder ? std::optional(std::move(*folder)) : std::nullopt;
}

// "a/b/" as "a/b", so that its last part is the folder's own name.
std::filesystem::path withoutTrailingSeparators(std::filesystem::path path)
{
    while (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
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

BatchRun::BatchRun(BatchHost& host, FileSystem& fs, unsigned jobs) : host_(host), fs_(fs), jobs_(jobs == 0 ? 1 : jobs) {}

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
    unexpectedError_ = 0;
    logPath_.clear();
    reportLogFailures_ = false;
    // Whatever throws (memory running out, mostly) ends the run here, through
    // its end line, not the program.
    try {
        host_.setBusy(true);
        host_.clearList();
        inDir_ = pathText::withTrailingSeparator(host_.inputFolderText());
        outDir_ = pathText::withTrailingSeparator(host_.outputFolderText());
        logPath_ = pathText::toPath(outDir_ + kLogFileName);
        matchPrefix_ = host_.prefixText();
        summary_.end = checkFoldersAndPrefix();
        if (summary_.end == BatchEnd::Completed) {
            reportLogFailures_ = true;
            summary_.end = listAndConvert();
        }
    } catch (const std::exception& error) {
        summary_.end = noteUnexpected(error);
        reportUnexpected();
    }
    finish();
    // Held no longer than the run: an open folder keeps a drive from being unmounted.
    inFolder_ = Folder();
    outFolder_ = Folder();
    return summary_;
}

BatchEnd BatchRun::listAndConvert()
{
    temporaryFiles::sweep(outFolder_);
    log(QStringLiteral("---処理開始--- [") + generalDateNow() + QStringLiteral("]"));
    auto files = CollectSourceFiles(inFolder_, kSourceExtension);
    if (!files) {
        report(listingFailureLine(files.error()));
        return BatchEnd::ListingFailed;
    }
    if (files->empty()) {
        report(kNoSourceFiles);
        return BatchEnd::NoSourceFiles;
    }
    return convertAll(*files);
}

BatchEnd BatchRun::noteUnexpected(const std::exception& error)
{
    unexpectedError_ = systemErrorOf(error);
    return BatchEnd::Unexpected;
}

// Told like a failed listing: what went wrong, as the system would name it.
void BatchRun::reportUnexpected()
{
    try {
        report(listingFailureLine(Failure::of(FailureCause::Unexpected, unexpectedError_)));
    } catch (const std::exception&) {
        // Not even that fits in memory; the end line may still.
    }
}

// Each folder is opened once here, and the whole run works in the folders
// so opened: moved or renamed meanwhile, or their paths made links to other
// folders, they still get everything and nothing goes elsewhere.
BatchEnd BatchRun::checkFoldersAndPrefix()
{
    auto in = openFolder(fs_, pathText::toPath(inDir_));
    if (!in) {
        host_.showCritical(kInputFolderInvalid);
        host_.focusInputFolder();
        return BatchEnd::InputFolderMissing;
    }
    inFolder_ = std::move(*in);
    // A separator in the prefix would write outside the output folder.
    if (!isValidPrefix(matchPrefix_)) {
        host_.showCritical(kPrefixInvalid);
        host_.focusPrefix();
        return BatchEnd::InvalidPrefix;
    }
    auto out = openFolder(fs_, pathText::toPath(outDir_));
    if (!out) {
        if (!host_.askYesNo(kOutputFolderQuestion)) {
            host_.focusOutputFolder();
            return BatchEnd::OutputFolderDeclined;
        }
        out = createOutputFolder();
        if (!out) {
            host_.showCritical(kOutputFolderNotCreated);
            host_.focusOutputFolder();
            return BatchEnd::OutputFolderNotCreated;
        }
    }
    outFolder_ = std::move(*out);
    return BatchEnd::Completed;
}

std::optional<Folder> BatchRun::createOutputFolder()
{
    const std::filesystem::path path = withoutTrailingSeparators(pathText::toPath(outDir_));
    // One level only: a mistyped parent should not grow a tree of folders.
    auto parent = openFolder(fs_, temporaryFiles::folderOf(path));
    if (!parent || !parent->fileSystem().mkdirAt(parent->handle(), path.filename()))
        return std::nullopt;
    // The folder just made, not whatever may have taken its name since.
    auto created = Folder::openIn(*parent, path.filename());
    return created ? std::optional(std::move(*created)) : std::nullopt;
}

BatchEnd BatchRun::convertAll(const std::vector<SourceFile>& files)
{
    int serial = FindHighestSerial(outFolder_, matchPrefix_);
    host_.setProgressMaximum(static_cast<double>(files.size()));
    host_.setProgressValue(0);

    InFlightConversions inFlight(jobs_, inFolder_, outFolder_);
    BatchEnd end = BatchEnd::Completed;
    double progress = 0;
    size_t next = 0;
    for (;;) {
        // Hand out work while there is room; each hand-out is one file's turn.
        // A throw stops the hand-out only: the files in hand still finish.
        try {
            while (end == BatchEnd::Completed && next < files.size() && inFlight.hasRoom()) {
                end = handOut(files[next], serial, inFlight);
                if (end == BatchEnd::Completed)
                    ++next;
            }
        } catch (const std::exception& error) {
            end = noteUnexpected(error);
        }
        if (inFlight.empty())
            break;
        if (const BatchEnd finished = finishOldest(inFlight); end == BatchEnd::Completed)
            end = finished;
        host_.setProgressValue(++progress);
    }
    // Said once the files in hand are finished, as the last line of the run.
    if (end == BatchEnd::SerialLimit)
        report(kSerialLimit);
    if (end == BatchEnd::Unexpected)
        reportUnexpected();
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
    inFlight.start(file, newName, host_.quality(), host_.deleteOption() == 1);
    return BatchEnd::Completed;
}

// Completed, or Unexpected when finishing the file threw (its source then stays).
BatchEnd BatchRun::finishOldest(InFlightConversions& inFlight)
{
    // Everything visible happens in list order, after that file's conversion.
    const auto done = inFlight.takeOldest([this] { host_.yield(); });
    try {
        // Once per file before its line: an option changed after one line
        // takes effect for the next, however many files are in flight.
        host_.yield();
        finishFile(done);
    } catch (const std::exception& error) {
        return noteUnexpected(error);
    }
    return BatchEnd::Completed;
}

void BatchRun::finishFile(const InFlightConversions::Done& done)
{
    const QString line = resultLine(done.file, QString::fromStdString(visibleName(pathText::toPath(done.newName))), done.failure);
    if (done.failure) {
        ++summary_.failed;
        // A failure line names no file; the detail says which one and why.
        report(line, done.file.Name + QStringLiteral(": ") + failureReason(*done.failure));
        return;
    }
    ++summary_.converted;
    const auto kept = host_.deleteOption() == 1 ? deleteSource(done.file, done.source, done.newName) : std::nullopt;
    if (kept)
        ++summary_.sourcesKept;
    // The line reads the same whether its TGA went or stayed; a TGA that
    // stayed against the option is told beside it, or every later run would
    // make another JPEG of it without a word.
    report(line, kept ? done.file.Name + QStringLiteral(": ") + keptReason(*kept) : QString());
}

std::optional<SourceKept> BatchRun::deleteSource(const SourceFile& source, const ConvertedSource& converted,
                                                 const QString& newName)
{
    // A JPEG moved or removed meanwhile no longer stands in for its source.
    if (!FileIdentity::of(outFolder_.handle(), pathText::toPath(newName)))
        return FileIdentity::of(inFolder_.handle(), source.Path) ? std::optional(SourceKept{SourceKept::Because::JpegGone}) : std::nullopt;
    // A source replaced or rewritten since it was read holds a picture the
    // JPEG does not show, and stays.
    const auto now = sourceNow(inFolder_, source.Path, converted, checkBuffer_);
    if (!now)
        return now.error();
    if (*now == SourceNow::Gone)
        return std::nullopt;
    if (const auto failure = modFunc::DeleteFileIfExists(inFolder_.handle(), source.Path))
        return SourceKept{SourceKept::Because::Failed, *failure};
    return std::nullopt;
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
    // Until the output folder is open, its path is all there is.
    const auto failure = outFolder_.valid() ? modFunc::AppendLogLine(line, outFolder_.handle(), logPath_.filename())
                                            : modFunc::AppendLogLine(fs_, line, logPath_);
    if (!failure)
        return;
    if (reportLogFailures_ && !summary_.logWriteFailed)
        host_.addListLine(kLogUnwritable, QString());
    if (reportLogFailures_)
        summary_.logWriteFailed = true;
}

} // namespace pellora
