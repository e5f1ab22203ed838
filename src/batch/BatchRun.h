#pragma once

#include "batch/BatchHost.h"
#include "batch/ConvertTgaToJpeg.h"
#include "batch/InFlightConversions.h"
#include "batch/SourceFile.h"
#include "batch/SourceKept.h"
#include "platform/io/FileSystem.h"
#include "platform/io/Folder.h"
#include "platform/io/UninitializedBytes.h"

#include <QString>
#include <filesystem>
#include <optional>
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
    Stopped,              // the host asked the run to stop
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
// file to the host and the log. `jobs` conversions may run at once; whatever
// the host and the log see stays in list order.
class BatchRun {
public:
    // Works in `fs`, which must outlive the run.
    BatchRun(BatchHost& host, FileSystem& fs, unsigned jobs = 1);
    BatchSummary run();

    // True while any run of this process is between its start and its end line.
    static bool inProgress();

private:
    BatchEnd checkFoldersAndPrefix();
    std::optional<Folder> createOutputFolder();
    BatchEnd listAndConvert();
    BatchEnd convertAll(const std::vector<SourceFile>& files);
    BatchEnd handOut(const SourceFile& file, int& serial, InFlightConversions& inFlight);
    BatchEnd finishOldest(InFlightConversions& inFlight);
    void finishFile(const InFlightConversions::Done& done);
    // Deletes a converted source when it still is what was converted; why it stays otherwise.
    std::optional<SourceKept> deleteSource(const SourceFile& source, const ConvertedSource& converted,
                                           const QString& newName);
    BatchEnd noteUnexpected(const std::exception& error);
    void reportUnexpected();
    void finish();

    // Adds a line to the list, and to the log when the log option is on.
    void report(const QString& line, const QString& detail = QString());
    void log(const QString& line);

    BatchHost& host_;
    FileSystem& fs_;
    unsigned jobs_;
    BatchSummary summary_;

    // Taken from the host at the start of the run.
    QString inDir_, outDir_, matchPrefix_;
    std::filesystem::path logPath_;
    // The folders as they were when the run checked them: see checkFoldersAndPrefix.
    Folder inFolder_, outFolder_;
    // A log failure is told once, and only once the run is past its folder
    // checks: before that, the output folder may simply not exist.
    bool reportLogFailures_ = false;
    // What ended the run unexpectedly, as a system error (0: not known).
    int unexpectedError_ = 0;
    // For reading a source once more before it is deleted.
    UninitializedBytes checkBuffer_;
};

} // namespace pellora
