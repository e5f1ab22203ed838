#pragma once

#include "batch/DeletionPolicy.h"
#include "batch/InFlightConversions.h"
#include "batch/RunFrontEnd.h"
#include "batch/RunRequest.h"
#include "batch/SourceFile.h"
#include "platform/io/FileSystem.h"
#include "platform/io/Folder.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellora {

class FileSystem;

// How a run ended; every run ends through the end line whatever the reason.
enum class BatchEnd {
    Completed,            // every listed file was handed to the conversion
    AlreadyRunning,       // another run was in progress: this one did nothing at all
    InputFolderMissing,
    OutputFolderDeclined,
    OutputFolderNotCreated,
    InvalidPrefix,
    ListingFailed,
    NoSourceFiles,
    SerialLimit,
    Stopped,              // the front end asked the run to stop
    Unexpected,           // something threw (memory ran out, say): no more files were handed out
};

struct BatchSummary {
    BatchEnd end = BatchEnd::Completed;
    int converted = 0;
    int failed = 0;
    bool logWriteFailed = false;
    int sourcesKept = 0; // converted, yet their TGA stayed although the delete option was on
};

// One batch run: lists the TGA files of the input folder, numbers them after
// the highest serial in the output folder, converts each, and reports every
// file to the front end and the log. `request.jobs` conversions may run at
// once; whatever the front end and the log see stays in list order.
class BatchRun {
public:
    // Works in `fs`, which must outlive the run.
    BatchRun(RunRequest request, RunFrontEnd frontEnd, FileSystem& fs);
    BatchSummary run();

    // Converts only these names of the input folder (native bytes), for a
    // run over the files a watch found ready; by default every TGA file
    // there. They are listed and numbered as a whole folder's run would, so
    // a file's turn never depends on who asked for it.
    void restrictTo(std::vector<std::filesystem::path> names) { onlyNames_ = std::move(names); }

    // The log's name in the output folder.
    static constexpr std::string_view kLogFileName = "kavlog.txt";
    // What a source's name ends in, in any case.
    static constexpr std::string_view kSourceExtension = ".tga";

    // True while any run of this process is between its start and its end line.
    static bool inProgress();

private:
    BatchEnd checkFoldersAndPrefix();
    BatchEnd refuse(std::string_view message, UserQuestions::Field field, BatchEnd end);
    std::optional<Folder> createOutputFolder();
    BatchEnd listAndConvert();
    // How far handing out the listed files has got.
    struct HandOutState {
        const std::vector<SourceFile>& files;
        int serial = 0;
        size_t next = 0;
        BatchEnd end = BatchEnd::Completed;
        // The options read for the last file handed out: what the next ones
        // are converted ahead with.
        int quality = 0;
        bool deleteSources = false;
    };
    BatchEnd convertAll(const std::vector<SourceFile>& files);
    void handOutWhileRoom(HandOutState& state, InFlightConversions& inFlight);
    BatchEnd handOut(HandOutState& state, InFlightConversions& inFlight);
    void convertAheadWhileRoom(HandOutState& state, InFlightConversions& inFlight);
    BatchEnd finishOldest(InFlightConversions& inFlight, const std::function<void()>& alsoWhileWaiting);
    void finishFile(const InFlightConversions::Done& done);
    BatchEnd noteUnexpected(const std::exception& error);
    void reportUnexpected();
    void finish();

    // Adds a line to the list, and to the log when the log option is on.
    void report(std::string_view line, std::string_view detail = {});
    void log(std::string_view line);

    RunRequest request_;
    std::optional<std::vector<std::filesystem::path>> onlyNames_;
    RunFrontEnd frontEnd_;
    FileSystem& fs_;
    BatchSummary summary_;

    // The request's folders with a separator at their end.
    std::string inDir_, outDir_;
    std::filesystem::path logPath_;
    // The folders as they were when the run checked them: see checkFoldersAndPrefix.
    Folder inFolder_, outFolder_;
    // Works in those folders, whatever they hold when the run opens them.
    DeletionPolicy deletion_{inFolder_, outFolder_};
    // A log failure is told once, and only once the run is past its folder
    // checks: before that, the output folder may simply not exist.
    bool reportLogFailures_ = false;
    // What ended the run unexpectedly, as a system error (0: not known).
    int unexpectedError_ = 0;
};

} // namespace pellora
