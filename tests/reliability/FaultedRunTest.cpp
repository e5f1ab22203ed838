#include "PictureLedger.h"
#include "ReliabilitySummary.h"

#include "batch/BatchRun.h"
#include "platform/text/Cp932.h"
#include "support/FakeFileSystem.h"
#include "support/FakeHost.h"
#include "support/JpegProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <csignal>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace pellora {
namespace {

using test::FakeHost;
using test::FakeFileSystem;
using Op = FakeFileSystem::Op;

const QString kFailurePrefix = QStringLiteral("コピー失敗 エラーコード");
const QString kLogUnwritable = QStringLiteral("動作ログを書き込めません。");
const char* const kSourceNames[] = {"a.tga", "b.tga", "c.tga", "d.tga"};
constexpr int kAnyCount = -1;

// One whole run over four sources, with delete and log on, in real folders.
class FaultedRun {
public:
    explicit FaultedRun(unsigned jobs) : jobs_(jobs)
    {
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        host.inDir = QString::fromStdString(in().string());
        host.outDir = QString::fromStdString(out().string());
        host.deleteValue = 1;
        for (int i = 0; i < 4; ++i)
            ledger.addSource(in() / kSourceNames[i], test::distinctPicture(48, 32, i + 1));
    }

    std::filesystem::path in() const { return dir / "in"; }
    std::filesystem::path out() const { return dir / "jpegs"; }
    std::filesystem::path trash() const { return dir / "trash"; }

    BatchSummary run()
    {
        ScopedFileSystem seam(fs);
        return BatchRun(host, jobs_).run();
    }

    // Lines of one file each, in list order, without the log's own warning.
    QStringList resultLines() const
    {
        QStringList lines = host.lines;
        lines.removeAll(kLogUnwritable);
        return lines;
    }

    std::vector<std::string> leftTemporaries(const std::filesystem::path& folder) const
    {
        std::vector<std::string> found;
        if (std::filesystem::exists(folder))
            for (const auto& name : test::listNames(folder))
                if (name.rfind(".pellora-", 0) == 0)
                    found.push_back(name);
        return found;
    }

    // The run's lines as the log holds them, without its start and end lines.
    QStringList loggedLines() const
    {
        const auto path = out() / "kavlog.txt";
        if (!std::filesystem::exists(path))
            return {};
        QStringList lines = QString::fromStdString(cp932::decode(test::readText(path)).value()).split(QStringLiteral("\r\n"));
        QStringList body;
        for (const QString& line : lines)
            if (!line.isEmpty() && !line.startsWith(QStringLiteral("---処理")))
                body << line;
        return body;
    }

    test::TempDir dir;
    FakeHost host;
    FakeFileSystem fs;
    test::PictureLedger ledger;

private:
    unsigned jobs_;
};

struct FaultCase {
    const char* name;
    std::function<void(FaultedRun&)> arrange;
    int failures = 0;          // failure lines expected, or kAnyCount
    int code = 0;              // the code each failure line shows (0: any)
    bool logFails = false;     // the log itself is the thing that fails
    bool tempSurvivesRun = false; // even removing the temporary file fails: the next run must sweep it
    std::vector<std::string> keptSources = {}; // converted, yet their TGA must stay
    // The folder went away with a file half written; the writer, working by
    // path, cannot remove its temporary file from where the folder went. And
    // a JPEG gone from its name no longer stands in for its source, which
    // then stays, whichever files the move overtook.
    bool tempMayFollowTheFolder = false;
};

enum class Replacement { NewFile, InPlace, InPlaceKeepingTheDate };

void replaceWithNewPicture(FaultedRun& run, const std::string& name, int index, Replacement how)
{
    const auto path = run.in() / name;
    const auto picture = test::distinctPicture(48, 32, index);
    const auto staged = run.dir / ("staged-" + name);
    test::writeGameTga(staged, picture);
    const auto bytes = test::readBytes(staged);
    struct stat before {};
    ::stat(path.c_str(), &before);
    if (how == Replacement::NewFile) {
        std::filesystem::rename(staged, path); // a new file under the old name
    } else {
        test::writeBytes(path, bytes); // same inode, new content
        std::filesystem::remove(staged);
    }
    // As on a file system that keeps times in whole seconds (exFAT) or two
    // (FAT): a rewrite within the step keeps size and date.
    if (how == Replacement::InPlaceKeepingTheDate) {
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    run.ledger.expect(name + " (new)", bytes, picture);
}

// The source grows or shrinks while the worker reads it: the JPEG would show
// neither version, so the file fails and its source stays.
void changeWhileRead(FaultedRun& run, const std::string& name, bool grow)
{
    const auto path = run.in() / name;
    auto bytes = test::readBytes(path);
    run.ledger.forget(name);
    if (grow)
        bytes.insert(bytes.end(), 4096, 0x5A);
    else
        bytes.resize(bytes.size() / 2);
    if (grow)
        run.ledger.expect(name + " (grown)", bytes, test::distinctPicture(48, 32, 2));
    run.fs.after(Op::Read, name, [path, bytes] { test::writeBytes(path, bytes); });
}

// What exFAT and FAT through FUSE answer.
void refuseNoReplaceAndLinks(FaultedRun& run)
{
    run.fs.fail(Op::RenameNoReplace, EINVAL, ".pellora-");
    run.fs.fail(Op::Link, EPERM, ".pellora-");
}

// The same, and one more fault on top.
std::function<void(FaultedRun&)> onExfat(Op op, int error, const std::string& nameContains, int nth = 0)
{
    return [=](FaultedRun& run) {
        refuseNoReplaceAndLinks(run);
        run.fs.fail(op, error, nameContains, nth);
    };
}

std::vector<FaultCase> faultCases()
{
    return {
        {"temporary file cannot be created", [](FaultedRun& r) { r.fs.fail(Op::Open, EACCES, ".pellora-", 2); }, 1, 2},
        {"disk full on write", [](FaultedRun& r) { r.fs.fail(Op::Write, ENOSPC, ".pellora-", 2); }, 1, 3},
        {"short writes", [](FaultedRun& r) { r.fs.limitWrites(7, ".pellora-"); }, 0},
        {"short writes then disk full",
         [](FaultedRun& r) {
             r.fs.limitWrites(64, ".pellora-");
             r.fs.fail(Op::Write, ENOSPC, ".pellora-", 5);
         },
         1, 3},
        {"EIO on fsync of the file", [](FaultedRun& r) { r.fs.fail(Op::Fsync, EIO, ".pellora-", 2); }, 1, 3},
        {"EIO on fsync of the folder", [](FaultedRun& r) { r.fs.fail(Op::Fsync, EIO, "jpegs", 2); }, 1, 5},
        {"rename refused", [](FaultedRun& r) { r.fs.fail(Op::Rename, EACCES, ".pellora-", 2); }, 1, 5},
        {"final name taken at the last moment", [](FaultedRun& r) { r.fs.fail(Op::Rename, EEXIST, ".pellora-", 2); },
         1, 4},
        {"no rename that refuses to replace (old kernel): hard links instead",
         [](FaultedRun& r) { r.fs.fail(Op::RenameNoReplace, ENOSYS, ".pellora-"); }, 0},
        {"neither that rename nor hard links (exFAT): the name is reserved first", refuseNoReplaceAndLinks, 0},
        {"exFAT, and the name cannot be reserved", onExfat(Op::Open, EACCES, "sshot002.jpg"), 1, 5},
        {"exFAT, and the name is taken at the last moment", onExfat(Op::Open, EEXIST, "sshot002.jpg"), 1, 4},
        {"exFAT, and the reservation's marker cannot be written", onExfat(Op::Write, ENOSPC, "sshot002.jpg"), 1, 5},
        {"exFAT, and the rename over the reservation fails", onExfat(Op::Rename, EIO, ".pellora-", 2), 1, 5},
        {"temporary file cannot be removed after a failed write",
         [](FaultedRun& r) {
             r.fs.fail(Op::Write, ENOSPC, ".pellora-", 2);
             r.fs.fail(Op::Unlink, EIO, ".pellora-", 1);
         },
         1, 3, false, true},
        {"source cannot be deleted", [](FaultedRun& r) { r.fs.fail(Op::Unlink, EBUSY, "b.tga"); }, 0, 0, false,
         false, {"b.tga"}},
        {"log cannot be opened", [](FaultedRun& r) { r.fs.fail(Op::Open, EACCES, "kavlog.txt"); }, 0, 0, true},
        {"disk full on a log line", [](FaultedRun& r) { r.fs.fail(Op::Write, ENOSPC, "kavlog.txt", 3); }, 0, 0, true},
        {"source removed before it is read",
         [](FaultedRun& r) {
             r.ledger.forget("b.tga"); // the user's own choice
             r.host.onYield = [&r](int n) {
                 if (n == 1)
                     std::filesystem::remove(r.in() / "b.tga");
             };
         },
         1, -1},
        {"source removed after it is read",
         [](FaultedRun& r) { r.fs.after(Op::Close, "b.tga", [&r] { std::filesystem::remove(r.in() / "b.tga"); }); }, 0},
        {"source replaced by a new file after it is read",
         [](FaultedRun& r) {
             r.fs.after(Op::Close, "b.tga", [&r] { replaceWithNewPicture(r, "b.tga", 50, Replacement::NewFile); });
         },
         0, 0, false, false, {"b.tga"}},
        {"source rewritten in place after it is read",
         [](FaultedRun& r) {
             r.fs.after(Op::Close, "b.tga", [&r] { replaceWithNewPicture(r, "b.tga", 51, Replacement::InPlace); });
         },
         0, 0, false, false, {"b.tga"}},
        {"source rewritten in place within the file system's time step",
         [](FaultedRun& r) {
             r.fs.after(Op::Close, "b.tga", [&r] { replaceWithNewPicture(r, "b.tga", 52, Replacement::InPlaceKeepingTheDate); });
         },
         0, 0, false, false, {"b.tga"}},
        {"source grows while it is read", [](FaultedRun& r) { changeWhileRead(r, "b.tga", true); }, 1, -1},
        {"source shrinks while it is read", [](FaultedRun& r) { changeWhileRead(r, "b.tga", false); }, 1, -1},
        {"output folder moved to the trash during the run",
         [](FaultedRun& r) {
             r.fs.after(Op::Close, "b.tga", [&r] { std::filesystem::rename(r.out(), r.trash()); });
         },
         kAnyCount, 0, true, false, {}, true},
    };
}

// Everything a faulted run must still hold; returns what it did not.
std::vector<std::string> problemsAfter(FaultedRun& run, const FaultCase& c, const BatchSummary& summary)
{
    std::vector<std::string> problems;
    auto expectThat = [&](bool ok, const std::string& what) {
        if (!ok)
            problems.push_back(what);
    };
    const QStringList lines = run.resultLines();
    expectThat(summary.end == BatchEnd::Completed, "the run did not go on to its end");
    expectThat(lines.size() == 4, "not one line per file: " + run.host.lines.join(" | ").toStdString());

    int failures = 0;
    for (qsizetype i = 0; i < lines.size() && i < 4; ++i) {
        const std::string source = kSourceNames[i];
        const auto serial = run.out() / ("sshot00" + std::to_string(i + 1) + ".jpg");
        if (lines[i].startsWith(kFailurePrefix)) {
            ++failures;
            if (c.code != 0)
                expectThat(lines[i] == kFailurePrefix + QString::number(c.code), "unexpected " + lines[i].toStdString());
            if (c.code != -1)
                expectThat(std::filesystem::exists(run.in() / source), "failed source not kept: " + source);
            expectThat(!std::filesystem::exists(serial), "a failed file left its serial name: " + serial.string());
        } else {
            const bool kept = c.tempMayFollowTheFolder ||
                              std::find(c.keptSources.begin(), c.keptSources.end(), source) != c.keptSources.end();
            if (!kept)
                expectThat(!std::filesystem::exists(run.in() / source), "converted source not deleted: " + source);
        }
    }
    if (c.failures != kAnyCount)
        expectThat(failures == c.failures, "failure lines: " + std::to_string(failures));

    const auto audit = run.ledger.audit({run.in(), run.out(), run.trash()});
    expectThat(audit.lost == 0 && audit.truncated == 0 && audit.strangers == 0 && audit.doubled == 0,
               "pictures: lost " + std::to_string(audit.lost) + ", truncated " + std::to_string(audit.truncated) +
                   ", strangers " + std::to_string(audit.strangers) + ", doubled " + std::to_string(audit.doubled));
    for (const auto& p : audit.problems)
        problems.push_back(p);

    if (!c.tempSurvivesRun)
        expectThat(run.leftTemporaries(run.out()).empty() &&
                       (c.tempMayFollowTheFolder || run.leftTemporaries(run.trash()).empty()),
                   "a temporary file was left; lines: " + run.host.lines.join(" | ").toStdString());

    const QStringList logged = run.loggedLines();
    if (c.logFails) {
        expectThat(run.host.lines.count(kLogUnwritable) == 1, "the log failure is not told exactly once");
        // Whatever reached the log is the run's own lines, in order.
        qsizetype at = 0;
        for (const QString& line : logged) {
            at = lines.indexOf(line, at);
            expectThat(at >= 0, "log line not in the list: " + line.toStdString());
            if (at < 0)
                break;
            ++at;
        }
    } else {
        expectThat(logged == lines, "log differs from the list: " + logged.join(" | ").toStdString());
        expectThat(!run.host.lines.contains(kLogUnwritable), "a log failure was reported");
    }
    return problems;
}

TEST(FaultedRun, EveryFaultAtEveryStepKeepsEveryPicture)
{
    int injected = 0, survived = 0, delivered = 0;
    for (const unsigned jobs : {1u, 4u}) {
        for (const FaultCase& c : faultCases()) {
            SCOPED_TRACE(std::string(c.name) + ", jobs " + std::to_string(jobs));
            FaultedRun run(jobs);
            c.arrange(run);
            const BatchSummary summary = run.run();
            delivered += run.fs.failuresDelivered();
            auto problems = problemsAfter(run, c, summary);

            if (c.tempSurvivesRun) {
                EXPECT_EQ(run.leftTemporaries(run.out()).size(), 1u) << "the fault did not leave its file";
                // The next run, without faults, sweeps it and converts the kept source.
                FakeHost next;
                next.inDir = run.host.inDir;
                next.outDir = run.host.outDir;
                next.deleteValue = 1;
                BatchRun(next, jobs).run();
                if (!run.leftTemporaries(run.out()).empty())
                    problems.push_back("the next run did not remove the temporary file");
                if (!test::listNames(run.in()).empty())
                    problems.push_back("the next run did not convert the kept source");
                const auto audit = run.ledger.audit({run.in(), run.out()});
                if (audit.lost != 0 || audit.doubled != 0)
                    problems.push_back("pictures lost or doubled after the next run");
            }
            ++injected;
            if (problems.empty())
                ++survived;
            for (const auto& problem : problems)
                ADD_FAILURE() << problem;
        }
    }
    test::printSummary("group=seam faults_injected=" + std::to_string(injected) +
                       " survived=" + std::to_string(survived) + " failures_delivered=" + std::to_string(delivered));
}

// Restores the file size limit and the signal it raises whatever happens.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        applied_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool applied() const { return applied_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool applied_ = false;
};

// Noise compresses badly: its JPEG is far larger than a screenshot's of the same size.
test::TgaPicture noisePicture(int width, int height, unsigned seed)
{
    test::TgaPicture picture(width, height);
    for (auto& pixel : picture.pixels) {
        seed = seed * 1103515245u + 12345u;
        pixel = test::Bgra{static_cast<std::uint8_t>(seed >> 24), static_cast<std::uint8_t>(seed >> 16),
                           static_cast<std::uint8_t>(seed >> 8), 255};
    }
    return picture;
}

TEST(FaultedRun, ARealFileSizeLimitFailsOnlyTheFilesThatDoNotFit)
{
    int injected = 0, survived = 0;
    for (const unsigned jobs : {1u, 4u}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        test::TempDir dir;
        std::filesystem::create_directory(dir / "in");
        std::filesystem::create_directory(dir / "out");
        test::PictureLedger ledger(20.0);
        ledger.addSource(dir / "in" / "a.tga", test::distinctPicture(64, 48, 1));
        ledger.addSource(dir / "in" / "b.tga", noisePicture(256, 192, 7)); // its JPEG passes the limit
        ledger.addSource(dir / "in" / "c.tga", test::distinctPicture(64, 48, 3));
        FakeHost host;
        host.inDir = QString::fromStdString((dir / "in").string());
        host.outDir = QString::fromStdString((dir / "out").string());
        host.deleteValue = 1;
        {
            FileSizeLimit limit(32 * 1024);
            if (!limit.applied())
                GTEST_SKIP() << "cannot set RLIMIT_FSIZE here";
            BatchRun(host, jobs).run();
        }
        ++injected;
        const auto audit = ledger.audit({dir / "in", dir / "out"});
        const bool ok = host.lines == QStringList({"a.tga\t--->\tsshot001.jpg", "コピー失敗 エラーコード3",
                                                    "c.tga\t--->\tsshot003.jpg"}) &&
                        std::filesystem::exists(dir / "in" / "b.tga") && !std::filesystem::exists(dir / "out" / "sshot002.jpg") &&
                        test::listNames(dir / "out") ==
                            std::vector<std::string>({"kavlog.txt", "sshot001.jpg", "sshot003.jpg"}) &&
                        audit.lost == 0 && audit.truncated == 0;
        EXPECT_TRUE(ok) << host.lines.join(" | ").toStdString() << " / out: " << test::listNames(dir / "out").size();
        for (const auto& p : audit.problems)
            ADD_FAILURE() << p;
        survived += ok ? 1 : 0;
    }
    test::printSummary("group=rlimit faults_injected=" + std::to_string(injected) + " survived=" + std::to_string(survived));
}

TEST(FaultedRun, ASourceIsUnlinkedOnlyAfterItsJpegIsDurable)
{
    for (const unsigned jobs : {1u, 4u}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        FaultedRun run(jobs);
        test::FakeFileSystem recorder;
        {
            ScopedFileSystem seam(recorder);
            BatchRun(run.host, jobs).run();
        }
        const auto calls = recorder.calls();
        auto find = [&](const std::string& text, size_t from = 0) -> long {
            for (size_t i = from; i < calls.size(); ++i)
                if (calls[i] == text)
                    return static_cast<long>(i);
            return -1;
        };
        ASSERT_EQ(run.host.lines.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const std::string serial = "sshot00" + std::to_string(i + 1) + ".jpg";
            long rename = -1;
            std::string temporary;
            for (size_t k = 0; k < calls.size(); ++k)
                if (calls[k].rfind("rename ", 0) == 0 && calls[k].size() > serial.size() &&
                    calls[k].compare(calls[k].size() - serial.size(), serial.size(), serial) == 0) {
                    rename = static_cast<long>(k);
                    temporary = calls[k].substr(7, calls[k].find(' ', 7) - 7);
                }
            ASSERT_GE(rename, 0) << serial;
            const long dataSync = find("fsync " + temporary);
            const long folderSync = find("fsync jpegs", static_cast<size_t>(rename));
            const long unlink = find(std::string("unlink ") + kSourceNames[i]);
            EXPECT_GE(dataSync, 0) << serial;
            EXPECT_LT(dataSync, rename) << serial;
            EXPECT_GT(folderSync, rename) << serial;
            EXPECT_GT(unlink, folderSync) << kSourceNames[i];
        }
    }
}

} // namespace
} // namespace pellora
