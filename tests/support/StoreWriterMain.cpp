// Writes one store of OVISU_HOME through its real API, so that a test can kill it while it writes
// or start it with a file-size limit that makes every large write fail:
//
//   ovisu-store-writer STORE loop           prints "ready", then writes the first and the second
//                                           content in turn forever, printing each one's name
//                                           once it is written
//   ovisu-store-writer STORE write WHICH    one write of "first" or "second"; a failure is printed
//                                           on standard error with exit status 1
//   ovisu-store-writer STORE report         one change through the part of the program that tells
//                                           the user when it fails (history, dialogue-cache,
//                                           ui-regions, ui-cache); what it shows goes to standard error
//   ovisu-store-writer log COUNT            appends COUNT lines to the application log

#include "base/AppLogger.h"
#include "history/AsyncHistoryAppender.h"
#include "interface/UIFixedDictionaryStore.h"
#include "interface/UIOCRRegionStore.h"
#include "interface/UIRegionList.h"
#include "interface/UIStoredTranslations.h"
#include "interface/UITranslationCache.h"
#include "dialogue/DialogueTranslationCache.h"
#include "support/StoreSamples.h"

#include <QCoreApplication>
#include <QUuid>

#include <cstdio>

namespace {

using ovisu::test::StoreContent;

void printLine(const QString& line, FILE* stream = stdout) {
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

// One write; a failure is printed on standard error.
bool writeOnce(const ovisu::test::StoreSample& sample, StoreContent which) {
    const auto written = sample.write(which);
    if (!written)
        printLine(written.error(), stderr);
    return written.has_value();
}

int loop(const ovisu::test::StoreSample& sample) {
    printLine(QStringLiteral("ready"));
    for (StoreContent which = StoreContent::first; writeOnce(sample, which);
         which = which == StoreContent::first ? StoreContent::second : StoreContent::first)
        printLine(QString::fromLatin1(ovisu::test::storeContentName(which)));
    return 1;
}

// The caller that shows a failed write to the user, for the stores whose failures are not a
// command's error output.
int report(const QString& store) {
    if (store == QLatin1String("history")) {
        ovisu::AsyncHistoryAppender appender;  // the translate and watch commands' and the desktop's path
        appender.append({QUuid::createUuid(), QDateTime::currentDateTimeUtc(), QStringLiteral("新しい台詞"),
                         QStringLiteral("新的台词"), QStringLiteral("DeepSeek"), 1.0});
        appender.waitForPendingAppends();
        return 0;
    }
    if (store == QLatin1String("dialogue-cache")) {
        ovisu::DialogueTranslationCache cache;
        cache.save(QStringLiteral("new-line"), QStringLiteral("新しい台詞"), QStringLiteral("新的台词"));
        return 0;
    }
    if (store == QLatin1String("ui-regions")) {
        ovisu::UIOCRRegionStore regions;
        ovisu::UIRegionList list(regions);  // the region editor's logic
        const auto outcome = list.add(QRectF(0.25, 0.25, 0.25, 0.25));
        if (outcome.realtimeError) {
            printLine(*outcome.realtimeError, stderr);
            return 1;
        }
        return 0;
    }
    if (store == QLatin1String("ui-cache")) {
        ovisu::UITranslationCache cache;
        ovisu::UIFixedDictionaryStore dictionary;
        ovisu::UIStoredTranslations stored(cache, dictionary);  // interface mode's path for a new translation
        stored.saveAutomatic(QStringLiteral("新しいメニュー"), QStringLiteral("新菜单"));
        return 0;
    }
    printLine(QStringLiteral("no report path for the store “%1”").arg(store), stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 2 && arguments.at(0) == QLatin1String("log")) {
        for (int index = 0; index < arguments.at(1).toInt(); ++index)
            ovisu::AppLogger::shared().info(QStringLiteral("writer"),
                                            QStringLiteral("line %1 ").arg(index) + QString(80, QLatin1Char('x')));
        return 0;
    }
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("report"))
        return report(arguments.at(0));
    const ovisu::test::StoreSample* sample = ovisu::test::storeSampleNamed(arguments.value(0));
    if (sample && arguments.size() == 2 && arguments.at(1) == QLatin1String("loop"))
        return loop(*sample);
    if (sample && arguments.size() == 3 && arguments.at(1) == QLatin1String("write"))
        return writeOnce(*sample, arguments.at(2) == QLatin1String("second") ? StoreContent::second : StoreContent::first)
                   ? 0
                   : 1;
    printLine(QStringLiteral("usage: ovisu-store-writer STORE loop | STORE write first|second | STORE report | log COUNT"),
              stderr);
    return 2;
}
