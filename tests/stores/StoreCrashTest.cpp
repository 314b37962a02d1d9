// Every store's file is read back after the writing process was killed at a random moment, and
// after a write that ran out of disk: the user's data is then the old contents or the new ones,
// never a torn or empty file, and a failed write says which file and why, where the user looks.
//
// The kill delays come from one seed, printed by every test; OVISU_CRASH_SEED=<seed> replays it.

#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "engine/TranslationProfileStore.h"
#include "support/StoreSamples.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <random>

#include <sys/resource.h>

using ovisu::test::readBytes;
using ovisu::test::StoreContent;
using ovisu::test::StoreSample;

namespace ovisu::test {
void PrintTo(const StoreSample& store, std::ostream* out) { *out << store.name; }
}  // namespace ovisu::test

namespace ovisu {
namespace {

constexpr int kKillsPerStore = 100;
// Keeps the suite short on a slow disk, where one write alone can take this long.
constexpr qint64 kLongestKillDelayMicroseconds = 60'000;
// Below every sample's size and far above the log's: the store's write fails, the log line does not.
constexpr rlim_t kFileSizeLimit = 64 * 1024;
// What strerror(EFBIG) says: the reason a full disk (here: a file-size limit) gives.
const QString kFullDiskReason = QStringLiteral("File too large");

unsigned crashSeed() {
    static const unsigned seed = [] {
        bool given = false;
        const unsigned fromEnvironment = qEnvironmentVariable("OVISU_CRASH_SEED").toUInt(&given);
        return given ? fromEnvironment : std::random_device()();
    }();
    return seed;
}

struct ChildRun {
    int exitCode = -1;  // -1: it did not exit normally
    QString out;
    QString err;
};

// Runs a program of this build in the test's OVISU_HOME. With a limit, the child cannot make any
// file larger than that: writes past it fail with EFBIG, as on a full disk, instead of killing it.
ChildRun runChild(const QString& program, const QStringList& arguments, std::optional<rlim_t> fileSizeLimit = {},
                  const QByteArray& input = {}) {
    QProcess process;
    if (fileSizeLimit) {
        process.setChildProcessModifier([limit = *fileSizeLimit] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        });
    }
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForStarted(10'000)) << program.toStdString();
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString() << " " << arguments.join(' ').toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

ChildRun runWriter(const QStringList& arguments, std::optional<rlim_t> fileSizeLimit = {}) {
    return runChild(QStringLiteral(OVISU_STORE_WRITER_BINARY), arguments, fileSizeLimit);
}

ChildRun runOvisu(const QStringList& arguments, std::optional<rlim_t> fileSizeLimit, const QByteArray& input = {}) {
    return runChild(QStringLiteral(OVISU_BINARY), arguments, fileSizeLimit, input);
}

QString childLog() { return QString::fromUtf8(readBytes(paths::logFolder() + QStringLiteral("/Ovisu.log"))); }

// Anything beside the store file that a write left behind: QSaveFile's named temporaries
// ("<name>.XXXXXX") exist only between the link of its unnamed temporary and the rename.
QStringList leftovers(const QString& storeFile) {
    const QFileInfo info(storeFile);
    return QDir(info.absolutePath()).entryList({info.fileName() + QStringLiteral(".*")}, QDir::Files);
}

StoreContent other(StoreContent content) {
    return content == StoreContent::first ? StoreContent::second : StoreContent::first;
}

class StoreCrashTest : public ::testing::TestWithParam<StoreSample> {
protected:
    const StoreSample& store() const { return GetParam(); }

    void writeFirstContents() const {
        const auto written = store().write(StoreContent::first);
        ASSERT_TRUE(written.has_value()) << written.error().toStdString();
        ASSERT_EQ(store().read().content, StoreContent::first);
    }
};

TEST_P(StoreCrashTest, AKillWhileWritingLeavesTheOldOrTheNewContentsAndNoTemporaryThatIsRead) {
    writeFirstContents();
    // Kills spread over about two writes of this store on this machine: some land while the
    // temporary is written or synced, some around the rename, some after a finished write.
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(store().write(StoreContent::second));
    ASSERT_TRUE(store().write(StoreContent::first));
    const qint64 writeMicroseconds = timer.nsecsElapsed() / 2000;
    const unsigned seed = crashSeed() ^ unsigned(qHash(QLatin1String(store().name)));
    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> delay(0, std::min<qint64>(2 * writeMicroseconds, kLongestKillDelayMicroseconds));

    StoreContent onDisk = StoreContent::first;
    int old = 0, fresh = 0, torn = 0, empty = 0, writesCompleted = 0;
    for (int kill = 0; kill < kKillsPerStore; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(OVISU_STORE_WRITER_BINARY), {QLatin1String(store().name), QStringLiteral("loop")});
        QByteArray out;
        while (!out.contains("ready\n") && writer.waitForReadyRead(10'000)) out += writer.readAllStandardOutput();
        ASSERT_TRUE(out.contains("ready\n")) << writer.readAllStandardError().toStdString();
        QThread::usleep(delay(random));
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(10'000));
        out += writer.readAllStandardOutput();

        // The last contents the writer reported as written; a kill after its rename but before
        // it said so leaves the other one, which is just as whole.
        const QList<QByteArray> lines = out.trimmed().split('\n');
        writesCompleted += int(lines.size()) - 1;
        const StoreContent lastWritten = lines.size() > 1 ? (lines.constLast() == "first" ? StoreContent::first
                                                                                          : StoreContent::second)
                                                          : onDisk;
        const ovisu::test::StoreReading found = store().read();
        SCOPED_TRACE(testing::Message() << "kill " << kill << ", seed " << crashSeed());
        if (found.content == lastWritten) {
            ++old;
        } else if (found.content == other(lastWritten)) {
            ++fresh;
        } else {
            (found.content == StoreContent::empty ? empty : torn) += 1;
            ADD_FAILURE() << "the store reads " << ovisu::test::storeContentName(found.content) << ": "
                          << found.detail.toStdString();
            writeFirstContents();
        }
        if (found.content == StoreContent::first || found.content == StoreContent::second)
            onDisk = found.content;
    }

    // A leftover temporary is never read (the reads above would have said so); it must also stay
    // the rare exception, or the folder would fill up over the years.
    const QStringList left = leftovers(store().file());
    EXPECT_LT(left.size(), kKillsPerStore / 10) << left.join(QStringLiteral(", ")).toStdString();
    std::cout << "[ stores   ] " << store().name << ": " << kKillsPerStore << " kills, " << writesCompleted
              << " writes completed, old " << old << ", new " << fresh << ", torn " << torn << ", empty " << empty
              << ", temporaries left " << left.size() << ", one write " << writeMicroseconds / 1000 << " ms (seed "
              << crashSeed() << ")\n";
}

TEST_P(StoreCrashTest, AWriteOnAFullDiskFailsNamingTheFileAndTheReasonAndKeepsTheOldFile) {
    writeFirstContents();
    const QByteArray before = readBytes(store().file());
    ASSERT_GT(qsizetype(before.size()), qsizetype(kFileSizeLimit)) << "the second contents must not fit";

    const ChildRun run = runWriter({QLatin1String(store().name), QStringLiteral("write"), QStringLiteral("second")},
                                   kFileSizeLimit);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("“") + store().file() + QStringLiteral("”"))) << run.err.toStdString();
    // The dialogue cache keeps its reason for the log (see the next test).
    if (QLatin1String(store().name) != QLatin1String("dialogue-cache")) {
        EXPECT_TRUE(run.err.contains(kFullDiskReason)) << run.err.toStdString();
    }
    EXPECT_EQ(readBytes(store().file()), before);
    EXPECT_EQ(store().read().content, StoreContent::first);
    EXPECT_TRUE(leftovers(store().file()).isEmpty()) << leftovers(store().file()).join(' ').toStdString();

    // Once there is room again, the same write goes through.
    const ChildRun retried = runWriter({QLatin1String(store().name), QStringLiteral("write"), QStringLiteral("second")});
    EXPECT_EQ(retried.exitCode, 0) << retried.err.toStdString();
    EXPECT_EQ(store().read().content, StoreContent::second);
}

// Where the user finds out that a change was not saved, through the part of the program that
// makes the change: a command's error output, or the log for the writes that happen in the
// background (history, caches) after the result is already shown.
struct FailureReport {
    const char* store;
    std::function<void()> prepare;  // after the first contents, before the disk fills
    std::function<ChildRun()> change;
    bool inErrorOutput;            // else in the log
    QString prefix;                // what the caller puts before the store's error
};

void PrintTo(const FailureReport& report, std::ostream* out) { *out << report.store; }

// The change as the writer's report path or an ovisu command makes it, on a full disk.
std::function<ChildRun()> writerReport(const char* store) {
    return [store] { return runWriter({QLatin1String(store), QStringLiteral("report")}, kFileSizeLimit); };
}
std::function<ChildRun()> command(const QStringList& arguments, const QByteArray& input = {}) {
    return [=] { return runOvisu(arguments, kFileSizeLimit, input); };
}

const QString kPromptFile = QStringLiteral("/prompt.txt");

const FailureReport kReports[] = {
    {"history", {}, writerReport("history"), false, QStringLiteral("翻译历史保存失败：")},
    {"dialogue-cache", {}, writerReport("dialogue-cache"), false, QStringLiteral("对白翻译缓存写入失败：")},
    {"credentials", {}, command({"credentials", "set", "openai"}, "sk-new\n"), true, QStringLiteral("ovisu credentials: ")},
    {"settings",
     [] {
         TranslationProfile daily;
         daily.name = QStringLiteral("日常");
         daily.providerRawValue = 4;
         SettingsStore settings;
         ASSERT_TRUE(TranslationProfileStore(settings).save({daily}));
     },
     command({"profiles", "apply", "日常"}), true, QStringLiteral("ovisu profiles apply: ")},
    {"profiles", {}, command({"profiles", "save", "新配置"}), true, QStringLiteral("ovisu profiles save: ")},
    {"presets", [] { test::writeBytes(test::currentHome() + kPromptFile, "请把日语翻译成中文。"); },
     [] { return runOvisu({"presets", "import", test::currentHome() + kPromptFile}, kFileSizeLimit); }, true,
     QStringLiteral("：")},  // after the alert's title
    {"ui-regions", {}, writerReport("ui-regions"), true, QStringLiteral("保存 UI 区域失败：")},
    {"ui-cache", {}, writerReport("ui-cache"), false, QStringLiteral("界面自动译文缓存写入失败：")},
    {"ui-dictionary", {}, command({"ui-dictionary", "add", "開始", "开始"}), true,
     QStringLiteral("ovisu ui-dictionary add: 保存 UI 固定词典失败：")},
};

class StoreFailureReportTest : public ::testing::TestWithParam<FailureReport> {};

TEST_P(StoreFailureReportTest, AFullDiskReachesWhereTheUserSeesFailuresAndTheOldFileStays) {
    const FailureReport& report = GetParam();
    const StoreSample* store = ovisu::test::storeSampleNamed(QLatin1String(report.store));
    ASSERT_NE(store, nullptr);
    ASSERT_TRUE(store->write(StoreContent::first));
    if (report.prepare)
        report.prepare();
    const QByteArray before = readBytes(store->file());

    const ChildRun run = report.change();
    const QString shown = report.inErrorOutput ? run.err : childLog();
    const QString expected = report.prefix + QStringLiteral("Could not write “%1”: %2").arg(store->file(), kFullDiskReason);
    EXPECT_TRUE(shown.contains(expected)) << "expected “" << expected.toStdString() << "” in:\n" << shown.toStdString();
    if (report.inErrorOutput) {
        EXPECT_EQ(run.exitCode, 1);
    }
    EXPECT_EQ(readBytes(store->file()), before);
}

// The log appends rather than replacing, so a failed append must leave every earlier line.
TEST(AppLogFullDiskTest, AFailedAppendKeepsEveryEarlierLineAndDoesNotFailTheCaller) {
    ASSERT_EQ(runWriter({QStringLiteral("log"), QStringLiteral("200")}).exitCode, 0);
    const QByteArray before = readBytes(paths::logFolder() + QStringLiteral("/Ovisu.log"));
    ASSERT_GT(before.size(), 10'000);

    const rlim_t limit = rlim_t(before.size()) + 1000;
    EXPECT_EQ(runWriter({QStringLiteral("log"), QStringLiteral("200")}, limit).exitCode, 0);
    const QByteArray after = readBytes(paths::logFolder() + QStringLiteral("/Ovisu.log"));
    EXPECT_TRUE(after.startsWith(before));
    EXPECT_LE(after.size(), qsizetype(limit));
    EXPECT_GT(after.size(), before.size()) << "the lines that fit are still written";
}

INSTANTIATE_TEST_SUITE_P(EveryStore, StoreCrashTest, ::testing::ValuesIn(ovisu::test::storeSamples().begin(),
                                                                         ovisu::test::storeSamples().end()),
                         [](const ::testing::TestParamInfo<StoreSample>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

INSTANTIATE_TEST_SUITE_P(EveryStore, StoreFailureReportTest, ::testing::ValuesIn(kReports),
                         [](const ::testing::TestParamInfo<FailureReport>& info) {
                             std::string name = info.param.store;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace ovisu
