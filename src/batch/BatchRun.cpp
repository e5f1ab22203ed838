#include "batch/BatchRun.h"

#include "batch/CollectSourceFiles.h"
#include "batch/ConvertTgaToJpeg.h"
#include "batch/FindHighestSerial.h"
#include "batch/InFlightConversions.h"
#include "batch/RunTexts.h"
#include "log/OperationLog.h"
#include "platform/FailureTable.h"
#include "platform/io/FileSystem.h"
#include "platform/io/OpenRegular.h"
#include "platform/io/TemporaryFiles.h"
#include "platform/text/PathText.h"
#include "platform/text/VisibleName.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <set>
#include <system_error>

namespace pellora {

namespace {

std::atomic<bool> runInProgress{false};

constexpr int kHighestSerial = 999;

// The longest serial name the prefix must leave room for.
constexpr std::size_t kSerialNameBytes = sizeof "999.jpg" - 1;
// The longest file name the system accepts, in bytes.
constexpr std::size_t kNameMaxBytes = 255;

// Whether a prefix can begin a file name in the output folder: no folder
// separator, none of \ / : * ? " < > |, no control character, and short
// enough that the prefix and "999.jpg" still make a file name. Empty is fine.
bool isValidPrefix(std::string_view prefix)
{
    constexpr std::string_view forbidden = "\\/:*?\"<>|";
    for (const char c : prefix) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || forbidden.find(c) != std::string_view::npos)
            return false;
    }
    // "." and ".." followed by digits are still names, but a prefix of only
    // dots would let the serial name start a hidden or relative name.
    if (prefix == "." || prefix == "..")
        return false;
    // Too long to be part of a name, it would fail every file of the run.
    return pathText::toPath(prefix).native().size() + kSerialNameBytes <= kNameMaxBytes;
}

// Date and time as the Japanese general date form writes them: short date, a
// space, long time without a leading zero on the hour ("2002/01/10 9:05:03"),
// in local time. Fixed whatever the user's locale, so logs read the same
// everywhere.
std::string generalDateNow()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local {};
#ifdef _WIN32
    ::localtime_s(&local, &now);
#else
    ::localtime_r(&now, &local);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string listingFailureLine(const Failure& failure)
{
    return std::string(runText::kErrorWithNumber) + std::to_string(failure.systemError) + " : "
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

std::string resultLine(const SourceFile& file, const std::string& newName, const Status& converted)
{
    if (!converted)
        return std::string(runText::kFailedWithCode) + std::to_string(resultCodeOf(converted.error()));
    return file.name + std::string(runText::kConverted) + newName;
}

// "name: why", beside a list line.
std::string detailOf(const SourceFile& file, const std::string& why)
{
    return file.name + ": " + why;
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

// Drops every file whose name is not among `names`, keeping the listing's order.
void keepOnly(std::vector<SourceFile>& files, const std::vector<std::filesystem::path>& names)
{
    const std::set<std::filesystem::path> wanted(names.begin(), names.end());
    std::erase_if(files, [&](const SourceFile& file) { return !wanted.contains(file.path); });
}

std::string serialName(const std::string& prefix, int serial)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", serial);
    return prefix + digits + ".jpg";
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

BatchRun::BatchRun(RunRequest request, RunFrontEnd frontEnd, FileSystem& fs)
    : request_(std::move(request)), frontEnd_(frontEnd), fs_(fs)
{
    if (request_.jobs == 0)
        request_.jobs = 1;
}

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
        frontEnd_.report.setBusy(true);
        frontEnd_.report.clearList();
        inDir_ = pathText::withTrailingSeparator(request_.inputFolder);
        outDir_ = pathText::withTrailingSeparator(request_.outputFolder);
        logPath_ = pathText::toPath(outDir_ + std::string(kLogFileName));
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
    log(std::string(runText::kStarted) + generalDateNow() + "]");
    auto files = CollectSourceFiles(inFolder_, kSourceExtension);
    if (!files) {
        report(listingFailureLine(files.error()));
        return BatchEnd::ListingFailed;
    }
    if (onlyNames_)
        keepOnly(*files, *onlyNames_);
    if (files->empty()) {
        report(runText::kNoSourceFiles);
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

BatchEnd BatchRun::refuse(std::string_view message, UserQuestions::Field field, BatchEnd end)
{
    frontEnd_.questions.showCritical(message);
    frontEnd_.questions.focus(field);
    return end;
}

// Each folder is opened once here, and the whole run works in the folders
// so opened: moved or renamed meanwhile, or their paths made links to other
// folders, they still get everything and nothing goes elsewhere.
BatchEnd BatchRun::checkFoldersAndPrefix()
{
    using Field = UserQuestions::Field;
    auto in = openFolder(fs_, pathText::toPath(inDir_));
    if (!in)
        return refuse(runText::kInputFolderInvalid, Field::InputFolder, BatchEnd::InputFolderMissing);
    inFolder_ = std::move(*in);
    // A separator in the prefix would write outside the output folder.
    if (!isValidPrefix(request_.prefix))
        return refuse(runText::kPrefixInvalid, Field::Prefix, BatchEnd::InvalidPrefix);
    auto out = openFolder(fs_, pathText::toPath(outDir_));
    if (!out) {
        if (!frontEnd_.questions.askYesNo(runText::kOutputFolderQuestion)) {
            frontEnd_.questions.focus(Field::OutputFolder);
            return BatchEnd::OutputFolderDeclined;
        }
        out = createOutputFolder();
        if (!out)
            return refuse(runText::kOutputFolderNotCreated, Field::OutputFolder, BatchEnd::OutputFolderNotCreated);
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
    HandOutState state{files, FindHighestSerial(outFolder_, request_.prefix)};
    frontEnd_.report.setProgressMaximum(static_cast<int>(files.size()));
    frontEnd_.report.setProgressValue(0);

    InFlightConversions inFlight(request_.jobs, inFolder_, outFolder_);
    int progress = 0;
    // Once a file has been told of, more are handed out while the run waits
    // for the next, as room appears: on a drive slow to flush, files wait for
    // it in numbers, and the workers must not wait with them. Until then only
    // the first hand-out's files, whatever the drive, so that a stop or a
    // change of option made on seeing the first line finds no more started;
    // the next files are only converted ahead, to be dropped unless they
    // are handed out with the options they were converted with.
    const auto whileWaiting = [&] {
        if (progress > 0)
            handOutWhileRoom(state, inFlight);
        else
            convertAheadWhileRoom(state, inFlight);
    };
    for (;;) {
        handOutWhileRoom(state, inFlight);
        if (inFlight.empty())
            break;
        if (const BatchEnd finished = finishOldest(inFlight, whileWaiting); state.end == BatchEnd::Completed)
            state.end = finished;
        frontEnd_.report.setProgressValue(++progress);
    }
    // Said once the files in hand are finished, as the last line of the run.
    if (state.end == BatchEnd::SerialLimit)
        report(runText::kSerialLimit);
    if (state.end == BatchEnd::Unexpected)
        reportUnexpected();
    return state.end;
}

// As many files as there is room for now; each hand-out is one file's turn.
// A throw stops the hand-out only: the files in hand still finish.
void BatchRun::handOutWhileRoom(HandOutState& state, InFlightConversions& inFlight)
{
    try {
        // Files converted ahead are in flight already: handing them out
        // takes no room.
        for (unsigned room = inFlight.room(); state.end == BatchEnd::Completed && state.next < state.files.size();) {
            const bool convertedAhead = inFlight.convertedAhead() > 0;
            if (!convertedAhead && room == 0)
                break;
            state.end = handOut(state, inFlight);
            if (state.end == BatchEnd::Completed)
                ++state.next;
            if (!convertedAhead)
                --room;
        }
    } catch (const std::exception& error) {
        state.end = noteUnexpected(error);
    }
}

// Completed when the file was handed out, otherwise why no more files are.
BatchEnd BatchRun::handOut(HandOutState& state, InFlightConversions& inFlight)
{
    frontEnd_.control.yield();
    if (frontEnd_.control.stopRequested())
        return BatchEnd::Stopped;
    if (++state.serial > kHighestSerial)
        return BatchEnd::SerialLimit;
    state.quality = frontEnd_.options.quality();
    // A file handed out with the delete option off is not hashed as it is
    // read, and so stays even if the option is turned on before it is done:
    // nothing can prove it still holds what was converted.
    state.deleteSources = frontEnd_.options.deleteSources();
    inFlight.start(state.files[state.next], serialName(request_.prefix, state.serial), state.quality,
                   state.deleteSources);
    return BatchEnd::Completed;
}

// The files after those handed out, as they would be handed out were no
// option changed meanwhile; reads no option and tells nothing.
void BatchRun::convertAheadWhileRoom(HandOutState& state, InFlightConversions& inFlight)
{
    if (state.next == 0) // no options read yet
        return;
    try {
        for (unsigned room = inFlight.room(); room > 0 && state.end == BatchEnd::Completed; --room) {
            const std::size_t ahead = inFlight.convertedAhead();
            const std::size_t index = state.next + ahead;
            const int serial = state.serial + 1 + static_cast<int>(ahead);
            if (index >= state.files.size() || serial > kHighestSerial || frontEnd_.control.stopRequested())
                return;
            inFlight.convertAhead(state.files[index], serialName(request_.prefix, serial), state.quality,
                                  state.deleteSources);
        }
    } catch (const std::exception& error) {
        state.end = noteUnexpected(error);
    }
}

// Completed, or Unexpected when finishing the file threw (its source then stays).
BatchEnd BatchRun::finishOldest(InFlightConversions& inFlight, const std::function<void()>& alsoWhileWaiting)
{
    // Everything visible happens in list order, after that file's conversion.
    // The wait wakes whenever a worker is free, but the host is asked to
    // catch up no more often than every 10 ms: a window waits for its
    // thread each time.
    auto lastYield = std::chrono::steady_clock::now();
    const auto done = inFlight.takeOldest([&] {
        if (const auto now = std::chrono::steady_clock::now(); now - lastYield >= std::chrono::milliseconds(10)) {
            frontEnd_.control.yield();
            lastYield = now;
        }
        alsoWhileWaiting();
    });
    try {
        // Once per file before its line: an option changed after one line
        // takes effect for the next, however many files are in flight.
        frontEnd_.control.yield();
        finishFile(done);
    } catch (const std::exception& error) {
        return noteUnexpected(error);
    }
    return BatchEnd::Completed;
}

void BatchRun::finishFile(const InFlightConversions::Done& done)
{
    const std::string line = resultLine(done.file, visibleName(pathText::toPath(done.newName)), done.converted);
    if (!done.converted) {
        ++summary_.failed;
        // A failure line names no file; the detail says which one and why.
        report(line, detailOf(done.file, failureReason(done.converted.error())));
        return;
    }
    ++summary_.converted;
    if (!frontEnd_.options.deleteSources()) {
        report(line);
        return;
    }
    const auto deleted = deletion_.deleteConverted(done.file, done.source, pathText::toPath(done.newName));
    if (deleted) {
        report(line);
        return;
    }
    // The line reads the same whether its TGA went or stayed; a TGA that
    // stayed against the option is told beside it, or every later run would
    // make another JPEG of it without a word.
    ++summary_.sourcesKept;
    report(line, detailOf(done.file, deleted.error().reason()));
}

void BatchRun::finish()
{
    frontEnd_.report.setBusy(false);
    frontEnd_.report.setProgressValue(0);
    // The end line carries its own CR LF, so the log shows an empty line after each run.
    log(std::string(runText::kEnded) + generalDateNow() + "]\r\n");
}

void BatchRun::report(std::string_view line, std::string_view detail)
{
    frontEnd_.report.addListLine(line, detail);
    log(line);
}

void BatchRun::log(std::string_view line)
{
    if (!frontEnd_.options.logEnabled())
        return;
    // Until the output folder is open, its path is all there is.
    const Status logged = outFolder_.valid()
                              ? operationLog::appendLine(line, outFolder_.handle(), logPath_.filename())
                              : operationLog::appendLine(fs_, line, logPath_);
    if (logged)
        return;
    if (reportLogFailures_ && !summary_.logWriteFailed)
        frontEnd_.report.addListLine(runText::kLogUnwritable, {});
    if (reportLogFailures_)
        summary_.logWriteFailed = true;
}

} // namespace pellora
