#include "support/TestFiles.h"
#include "base/AppLogger.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using ovisu::test::posixMode;
using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

// "[" + 23-character stamp + "] [INFO] [c] " is 37 bytes.
constexpr int kInfoPrefixBytes = 37;

QString logFolder() { return test::currentHome() + QStringLiteral("/logs"); }

// A message that makes an "info" line in category "c" exactly `bytes` long.
QString messageForLineOf(int bytes, QChar fill) { return QString(bytes - kInfoPrefixBytes - 1, fill); }

TEST(AppLoggerTest, LineFormat) {
    const QRegularExpression pattern(QStringLiteral(
        R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}\] \[(DEBUG|INFO|WARN|ERROR)\] \[ocr\] 识别结果：あ\n$)"));
    for (const auto& [level, name] : {std::pair{AppLogLevel::debug, "DEBUG"}, std::pair{AppLogLevel::info, "INFO"},
                                      std::pair{AppLogLevel::warning, "WARN"}, std::pair{AppLogLevel::error, "ERROR"}}) {
        const QString line = AppLogger::formatLine(level, QStringLiteral("ocr"), QStringLiteral("识别结果：あ"));
        const auto match = pattern.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        EXPECT_EQ(match.captured(1), QLatin1String(name));
    }

    AppLogger logger(logFolder());
    logger.info(QStringLiteral("app"), QStringLiteral("started"));
    logger.warning(QStringLiteral("capture"), QStringLiteral("first\nsecond"));
    logger.error(QStringLiteral("provider"), QStringLiteral("failed"));
    const QStringList lines = QString::fromUtf8(readBytes(logger.currentFilePath())).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);  // four lines (the message's own break kept) and the empty tail
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] [INFO] [app] started")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("] [WARN] [capture] first")));
    EXPECT_EQ(lines[2], QStringLiteral("second"));
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("] [ERROR] [provider] failed")));
    EXPECT_TRUE(lines[4].isEmpty());
}

TEST(AppLoggerTest, CategoryLineBreaksBecomeSpacesAndLongFieldsAreCut) {
    const QString category = QStringLiteral("a\nb\r\nc\rd") + QChar(0x2028) + QStringLiteral("e") + QChar(0x2029) +
                             QStringLiteral("f\vg");
    const QString line = AppLogger::formatLine(AppLogLevel::info, category, QStringLiteral("m"));
    EXPECT_TRUE(line.endsWith(QStringLiteral("] [INFO] [a b c d e f g] m\n"))) << line.toStdString();
    EXPECT_EQ(line.count(QLatin1Char('\n')), 1);

    const QString longCategory(70'000, QLatin1Char('c'));
    const QString longMessage(70'000, QLatin1Char('m'));
    const QString cut = AppLogger::formatLine(AppLogLevel::info, longCategory, longMessage);
    EXPECT_TRUE(cut.contains(QStringLiteral("[") + QString(64'000, QLatin1Char('c')) + QStringLiteral("] ")));
    EXPECT_TRUE(cut.endsWith(QStringLiteral("] ") + QString(64'000, QLatin1Char('m')) + QStringLiteral("\n")));
    EXPECT_EQ(cut.count(QLatin1Char('m')), 64'000);

    // An emoji straddling the cut is dropped whole rather than left as half a pair.
    const QString straddling = QString(63'999, QLatin1Char('x')) + QStringLiteral("😀tail");
    const QString emojiLine = AppLogger::formatLine(AppLogLevel::info, QStringLiteral("c"), straddling);
    EXPECT_TRUE(emojiLine.endsWith(QStringLiteral("x\n")));
    EXPECT_FALSE(emojiLine.contains(QChar(0xD83D)));
    const QString fitting = QString(63'998, QLatin1Char('x')) + QStringLiteral("😀tail");
    EXPECT_TRUE(AppLogger::formatLine(AppLogLevel::info, QStringLiteral("c"), fitting).endsWith(QStringLiteral("x😀\n")));

    // Through the file, the cut line is still one complete UTF-8 line.
    AppLogger logger(logFolder());
    logger.info(QStringLiteral("c"), longMessage);
    const QByteArray bytes = readBytes(logger.currentFilePath());
    EXPECT_EQ(bytes.size(), kInfoPrefixBytes + 64'000 + 1);
}

TEST(AppLoggerTest, RotatesBeforeALineThatWouldPassTheLimit) {
    AppLogger logger(logFolder(), 1024, 3);
    logger.info(QStringLiteral("c"), messageForLineOf(500, QLatin1Char('a')));
    logger.info(QStringLiteral("c"), messageForLineOf(524, QLatin1Char('b')));  // exactly 1024: still fits
    EXPECT_EQ(QFileInfo(logger.currentFilePath()).size(), 1024);
    EXPECT_FALSE(QFileInfo::exists(logger.currentFilePath() + QStringLiteral(".1")));

    logger.info(QStringLiteral("c"), messageForLineOf(100, QLatin1Char('z')));
    EXPECT_EQ(QFileInfo(logger.currentFilePath() + QStringLiteral(".1")).size(), 1024);
    const QByteArray current = readBytes(logger.currentFilePath());
    EXPECT_EQ(current.size(), 100);
    EXPECT_TRUE(current.endsWith(QByteArray(100 - kInfoPrefixBytes - 1, 'z') + '\n'));
}

TEST(AppLoggerTest, FourFullFilesAndOneMoreRotationDropsTheOldest) {
    AppLogger logger(logFolder(), 1024, 3);
    // Two 500-byte lines fill a file; line n is made of the letter 'a' + n.
    for (int n = 0; n < 9; ++n)
        logger.info(QStringLiteral("c"), messageForLineOf(500, QChar(u'a' + n)));

    const QString current = logger.currentFilePath();
    EXPECT_FALSE(QFileInfo::exists(current + QStringLiteral(".4")));
    const auto letterOf = [](const QByteArray& file) { return file.at(file.indexOf("] [c] ") + 6); };
    EXPECT_EQ(letterOf(readBytes(current + QStringLiteral(".3"))), 'c');  // 'a' and 'b' are gone
    EXPECT_EQ(letterOf(readBytes(current + QStringLiteral(".2"))), 'e');
    EXPECT_EQ(letterOf(readBytes(current + QStringLiteral(".1"))), 'g');
    EXPECT_EQ(letterOf(readBytes(current)), 'i');

    // Oldest first: archives from the highest number down, then the current file.
    const QString text = logger.combinedText();
    QString order;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        order += line.at(line.indexOf(QStringLiteral("] [c] ")) + 6);
    EXPECT_EQ(order, QStringLiteral("cdefghi"));
    EXPECT_EQ(logger.totalBytes(), 7 * 500);
}

TEST(AppLoggerTest, LimitsHaveAFloor) {
    AppLogger logger(logFolder(), 10, 0);
    EXPECT_EQ(logger.maximumFileBytes(), 1024);
    EXPECT_EQ(logger.retainedArchiveCount(), 1);
    for (int n = 0; n < 5; ++n)
        logger.info(QStringLiteral("c"), messageForLineOf(600, QChar(u'a' + n)));
    EXPECT_TRUE(QFileInfo::exists(logger.currentFilePath() + QStringLiteral(".1")));
    EXPECT_FALSE(QFileInfo::exists(logger.currentFilePath() + QStringLiteral(".2")));
    EXPECT_EQ(logger.totalBytes(), 2 * 600);
}

TEST(AppLoggerTest, AnOversizedLineIntoAnEmptyLogKeepsEveryArchive) {
    AppLogger logger(logFolder(), 1024, 2);
    logger.info(QStringLiteral("c"), messageForLineOf(700, QLatin1Char('a')));
    logger.info(QStringLiteral("c"), messageForLineOf(700, QLatin1Char('b')));  // a -> .1
    QFile::remove(logger.currentFilePath());  // e.g. removed by hand
    logger.info(QStringLiteral("c"), messageForLineOf(2000, QLatin1Char('c')));
    EXPECT_TRUE(readBytes(logger.currentFilePath() + QStringLiteral(".1")).contains("aaaa"));
    EXPECT_EQ(QFileInfo(logger.currentFilePath()).size(), 2000);
}

TEST(AppLoggerTest, CombinedTextTotalBytesAndClear) {
    AppLogger logger(logFolder(), 1024, 3);
    EXPECT_TRUE(logger.combinedText().isEmpty());
    EXPECT_EQ(logger.totalBytes(), 0);

    logger.info(QStringLiteral("c"), QStringLiteral("current"));
    writeBytes(logger.currentFilePath() + QStringLiteral(".2"), "old \xff\xfe bytes\n");
    const QString text = logger.combinedText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("old ")));
    EXPECT_TRUE(text.contains(QChar(QChar::ReplacementCharacter)));
    EXPECT_TRUE(text.endsWith(QStringLiteral("[c] current\n")));
    EXPECT_EQ(logger.totalBytes(), 13 + kInfoPrefixBytes + 8);  // "old \xff\xfe bytes\n" is 13 bytes

    logger.clear();
    EXPECT_TRUE(logger.combinedText().isEmpty());
    EXPECT_EQ(logger.totalBytes(), 0);
    EXPECT_TRUE(QDir(logFolder()).entryList(QDir::Files).isEmpty());

    logger.info(QStringLiteral("diagnostics"), QStringLiteral("日志已由用户清空"));
    EXPECT_TRUE(logger.combinedText().endsWith(QStringLiteral("[INFO] [diagnostics] 日志已由用户清空\n")));
}

TEST(AppLoggerTest, FolderAndFileArePrivateAndAnUnwritableFolderIsSwallowed) {
    const QString folder = logFolder() + QStringLiteral("/nested");
    AppLogger logger(folder);
    EXPECT_FALSE(QFileInfo::exists(folder));  // nothing happens before the first line
    logger.info(QStringLiteral("c"), QStringLiteral("m"));
    EXPECT_EQ(posixMode(folder), 0700);
    EXPECT_EQ(posixMode(logger.currentFilePath()), 0600);

    // A rotated-in file is private as well.
    AppLogger small(folder, 1024, 1);
    small.info(QStringLiteral("c"), messageForLineOf(1000, QLatin1Char('x')));
    EXPECT_EQ(posixMode(small.currentFilePath()), 0600);
    EXPECT_EQ(posixMode(small.currentFilePath() + QStringLiteral(".1")), 0600);

    // A folder that cannot be made loses the line without failing the caller.
    writeBytes(logFolder() + QStringLiteral("/blocker"), "not a folder");
    AppLogger blocked(logFolder() + QStringLiteral("/blocker/Logs"));
    blocked.error(QStringLiteral("c"), QStringLiteral("lost"));
    EXPECT_TRUE(blocked.combinedText().isEmpty());
    EXPECT_EQ(blocked.totalBytes(), 0);
    blocked.clear();
}

TEST(AppLoggerTest, ConcurrentLinesAreWholeAndEachWrittenOnce) {
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    // Small files and enough archives that rotation happens under contention yet nothing drops.
    AppLogger logger(logFolder(), 16'384, 20);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&logger, t] {
            for (int i = 0; i < kLines; ++i)
                logger.info(QStringLiteral("thread%1").arg(t),
                            QStringLiteral("line %1 of %2 %3").arg(i).arg(t).arg(QString(40, QLatin1Char('#'))));
        });
    }
    for (auto& thread : threads)
        thread.join();

    const QRegularExpression pattern(QStringLiteral(
        R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}\] \[INFO\] \[thread(\d)\] line (\d+) of (\d) #{40}$)"));
    const QString text = logger.combinedText();
    ASSERT_TRUE(text.endsWith(QLatin1Char('\n')));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), kThreads * kLines);
    QSet<QString> seen;
    for (const QString& line : lines) {
        const auto match = pattern.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        EXPECT_EQ(match.captured(1), match.captured(3));
        seen.insert(match.captured(1) + QLatin1Char('/') + match.captured(2));
    }
    EXPECT_EQ(seen.size(), kThreads * kLines);

    EXPECT_TRUE(QFileInfo::exists(logger.currentFilePath() + QStringLiteral(".1")));
    for (int index = 0; index <= 20; ++index) {
        const QString path = index == 0 ? logger.currentFilePath()
                                        : logger.currentFilePath() + QLatin1Char('.') + QString::number(index);
        EXPECT_LE(QFileInfo(path).size(), 16'384) << path.toStdString();
    }
}

TEST(AppLoggerTest, SharedLoggerWritesIntoTheOvisuLogFolder) {
    // Made once per process, so under the first test's home rather than this one's.
    AppLogger& shared = AppLogger::shared();
    EXPECT_TRUE(shared.currentFilePath().endsWith(QStringLiteral("/data/Ovisu/Logs/Ovisu.log")));
    shared.info(QStringLiteral("app"), QStringLiteral("shared logger check"));
    EXPECT_TRUE(shared.combinedText().contains(QStringLiteral("[INFO] [app] shared logger check\n")));
}

}  // namespace
}  // namespace ovisu
