#include "interface/UIOCRRegionStore.h"
#include "capture/RegionControls.h"
#include "interface/UIRegionList.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <limits>

using ovisu::test::readBytes;
using ovisu::test::setAsideFiles;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

// The main window's region label for the list, as it shows it.
QString mainWindowLabel(const UIRegionList& list) {
    return RegionControls::make(TranslationMode::interface, false, int(list.enabledRegions().size()),
                                int(list.regions().size()))
        .regionLabel;
}

const QString kNoSelection = QStringLiteral("请先在区域编辑器中选择一行");

QStringList names(const UIRegionList& list) {
    QStringList result;
    for (const UIOCRRegion& region : list.regions())
        result << region.name;
    return result;
}

TEST(UIRegionListTest, OnlyEnabledRegionsCountAndTheirOrderIsTheListOrder) {
    UIOCRRegionStore store;
    UIRegionList list(store);
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("整窗口"));

    for (double y : {0.1, 0.4, 0.7})
        EXPECT_TRUE(list.add(QRectF(0.1, y, 0.3, 0.1)).refreshInterface);
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("3/3"));

    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(list.toggle(row, false).refreshInterface);
    // Three regions, none enabled: the whole window is read.
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("0/3"));
    EXPECT_TRUE(list.enabledRegions().isEmpty());

    list.toggle(2, true);
    list.toggle(0, true);
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("2/3"));
    const QList<UIOCRRegion> enabled = list.enabledRegions();
    EXPECT_EQ(enabled, (QList<UIOCRRegion>{list.regions()[0], list.regions()[2]}));
    EXPECT_FALSE(list.toggle(7, true).changed);

    // The whole-window scope disables every region and keeps them, on disk too.
    EXPECT_TRUE(list.useWholeWindow().refreshInterface);
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("0/3"));
    EXPECT_EQ(UIOCRRegionStore().load().value(), list.regions());
}

TEST(UIRegionListTest, DefaultNamesCountTheRegionsThatExistAndRenamesAreTrimmed) {
    UIOCRRegionStore store;
    UIRegionList list(store);
    list.add(QRectF(0, 0, 0.5, 0.5));
    list.add(QRectF(0.5, 0.5, 0.5, 0.5));
    EXPECT_EQ(names(list), (QStringList{QStringLiteral("区域 1"), QStringLiteral("区域 2")}));

    list.remove(0);
    list.add(QRectF(0.2, 0.2, 0.1, 0.1));
    EXPECT_EQ(names(list), (QStringList{QStringLiteral("区域 2"), QStringLiteral("区域 2")}));

    const QByteArray before = readBytes(store.fileURL());
    QFile::remove(store.fileURL());
    EXPECT_FALSE(list.rename(0, QStringLiteral(" \n\t ")).changed);
    EXPECT_EQ(list.regions()[0].name, QStringLiteral("区域 2"));
    EXPECT_FALSE(QFileInfo::exists(store.fileURL())) << "a rename to blanks saved";

    const auto renamed = list.rename(1, QStringLiteral("  状态栏\n"));
    EXPECT_TRUE(renamed.changed);
    EXPECT_FALSE(renamed.refreshInterface) << "a new name does not change what is read";
    EXPECT_EQ(renamed.selectedRow, 1);
    EXPECT_EQ(list.regions()[1].name, QStringLiteral("状态栏"));
    EXPECT_NE(readBytes(store.fileURL()), before);
}

TEST(UIRegionListTest, OperationsOnARowNeedOneAndMovesPastTheEndsSaveNothing) {
    UIOCRRegionStore store;
    UIRegionList list(store);
    list.add(QRectF(0.1, 0.1, 0.2, 0.2));
    list.add(QRectF(0.5, 0.5, 0.2, 0.2));
    const QList<UIOCRRegion> original = list.regions();

    for (std::optional<int> row : {std::optional<int>(), std::optional<int>(2), std::optional<int>(-1)}) {
        EXPECT_EQ(list.redraw(row, QRectF(0, 0, 1, 1)).statusLine, kNoSelection);
        EXPECT_EQ(list.rename(row, QStringLiteral("x")).statusLine, kNoSelection);
        EXPECT_EQ(list.move(row, 1).statusLine, kNoSelection);
        EXPECT_EQ(list.remove(row).statusLine, kNoSelection);
    }
    EXPECT_EQ(list.regions(), original);

    // Without the file any save shows at once.
    QFile::remove(store.fileURL());
    for (const auto& [row, offset] : {std::pair{0, -1}, std::pair{1, 1}}) {
        const auto ignored = list.move(row, offset);
        EXPECT_FALSE(ignored.changed || ignored.statusLine);
    }
    EXPECT_FALSE(QFileInfo::exists(store.fileURL()));
    EXPECT_EQ(list.regions(), original);

    const auto moved = list.move(0, 1);
    EXPECT_TRUE(moved.changed);
    EXPECT_EQ(moved.selectedRow, 1);
    EXPECT_EQ(list.regions(), (QList<UIOCRRegion>{original[1], original[0]}));
    EXPECT_EQ(UIOCRRegionStore().load().value(), list.regions());

    // A redraw replaces only the rectangle.
    EXPECT_TRUE(list.redraw(0, QRectF(0.25, 0.5, 0.125, 0.0625)).refreshInterface);
    UIOCRRegion expected = original[1];
    expected.normalizedRect = QRectF(0.25, 0.5, 0.125, 0.0625);
    EXPECT_EQ(list.regions()[0], expected);

    EXPECT_TRUE(list.clearAll().refreshInterface);
    EXPECT_TRUE(list.regions().isEmpty());
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("整窗口"));
    EXPECT_FALSE(list.clearAll().changed);
    EXPECT_EQ(UIOCRRegionStore().load().value(), QList<UIOCRRegion>());
}

TEST(UIRegionListTest, AFailedSaveIsReportedAndTheChangeStaysInMemory) {
    const QString blocker = test::currentHome() + QStringLiteral("/not-a-folder");
    writeBytes(blocker, "a file where a folder is needed");
    UIOCRRegionStore store(blocker + QStringLiteral("/ui-ocr-regions.json"));
    UIRegionList list(store);
    const auto outcome = list.add(QRectF(0.1, 0.2, 0.3, 0.4));
    ASSERT_TRUE(outcome.realtimeError);
    EXPECT_TRUE(outcome.realtimeError->startsWith(QStringLiteral("保存 UI 区域失败：")));
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(mainWindowLabel(list), QStringLiteral("1/1"));
    EXPECT_EQ(readBytes(blocker), QByteArray("a file where a folder is needed"));
}

TEST(UIRegionListTest, TheFileHoldsExactlyTheListedMembersAndReadsBackEqual) {
    UIOCRRegionStore store;
    const QList<UIOCRRegion> regions{
        {QUuid::createUuid(), QStringLiteral("菜单栏"), QRectF(0.125, 0.0, 0.75, 0.1), true},
        {QUuid::createUuid(), QStringLiteral("日期"), QRectF(0.8, 0.9, 0.2, 0.05), false},
    };
    ASSERT_TRUE(store.save(regions));

    const QJsonArray array = QJsonDocument::fromJson(readBytes(store.fileURL())).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject first = array.at(0).toObject();
    EXPECT_EQ(first.keys(), (QStringList{"height", "id", "isEnabled", "name", "width", "x", "y"}));
    EXPECT_EQ(first.value("id").toString(), regions[0].id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(first.value("width").toDouble(), 0.75);
    EXPECT_EQ(array.at(1).toObject().value("isEnabled"), QJsonValue(false));
    EXPECT_EQ(UIOCRRegionStore().load().value(), regions);

    // Lower-case ids, as other writers may produce, read as the same UUID.
    QByteArray lower = readBytes(store.fileURL());
    const QByteArray upperId = regions[0].id.toString(QUuid::WithoutBraces).toUpper().toLatin1();
    lower.replace(upperId, upperId.toLower());
    writeBytes(store.fileURL(), lower);
    EXPECT_EQ(UIOCRRegionStore().load().value(), regions);
}

TEST(UIRegionListTest, AnUndecodableFileReadsAsNoRegionsAndIsSetAsideBeforeTheNextSave) {
    const QByteArray good = R"([{"id":"6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D","name":"A",)"
                            R"("x":0.1,"y":0.2,"width":0.3,"height":0.4,"isEnabled":true}])";
    const QList<QByteArray> broken{
        "[{\"id\":",                                  // not JSON
        R"({"regions":[]})",                          // not an array
        QByteArray(good).replace("\"isEnabled\":true", "\"isEnabled\":1"),
        QByteArray(good).replace("\"x\":0.1,", ""),   // a member missing
        QByteArray(good).replace("\"name\":\"A\"", "\"name\":null"),
        QByteArray(good).replace("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D", "not-a-uuid-at-all-but-36-characters"),
        QByteArray(good).replace("6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D", "{6F1C2B9A-0D4E-4C55-9B7A-3E2F1A0B9C8D}"),
    };
    ASSERT_TRUE(UIOCRRegionStore::decode(QJsonDocument::fromJson(good)));
    // JSON text cannot carry them, but a document built in memory can.
    for (double notFinite : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        QJsonArray array = QJsonDocument::fromJson(good).array();
        QJsonObject region = array[0].toObject();
        region.insert(QStringLiteral("width"), notFinite);
        array[0] = region;
        EXPECT_FALSE(UIOCRRegionStore::decode(QJsonDocument(array)));
    }

    for (const QByteArray& bytes : broken) {
        SCOPED_TRACE(bytes.toStdString());
        const QString path = test::currentHome() + QStringLiteral("/case-%1/ui-ocr-regions.json").arg(qHash(bytes));
        writeBytes(path, bytes);
        UIOCRRegionStore store(path);
        UIRegionList list(store);
        EXPECT_TRUE(list.regions().isEmpty());
        EXPECT_TRUE(list.loadError());
        EXPECT_EQ(readBytes(path), bytes) << "reading alone must leave the file alone";

        EXPECT_FALSE(list.add(QRectF(0.5, 0.5, 0.1, 0.1)).realtimeError);
        const QStringList aside = setAsideFiles(path);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readBytes(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside[0]), bytes);
        EXPECT_EQ(UIOCRRegionStore(path).load().value(), list.regions());
    }

    // A store that saves without loading first still finds the unreadable file.
    const QString path = UIOCRRegionStore::defaultFileURL();
    writeBytes(path, "garbage");
    ASSERT_TRUE(UIOCRRegionStore().save({}));
    EXPECT_EQ(setAsideFiles(path).size(), 1);
}

TEST(UIRegionListTest, PositionTextShowsThreeDecimals) {
    EXPECT_EQ(UIRegionList::positionText(QRectF(0.1, 0.25, 2.0 / 3.0, 0.05)),
              QStringLiteral("x 0.100 · y 0.250 · w 0.667 · h 0.050"));
}

}  // namespace
}  // namespace ovisu
