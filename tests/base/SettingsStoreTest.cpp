#include "support/TestFiles.h"
#include "base/Paths.h"
#include "base/SettingsStore.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

using ovisu::test::readBytes;
using ovisu::test::writeBytes;

namespace ovisu {
namespace {

TEST(SettingsStoreTest, TypedReadsFallBackToTheDefaultForMissingAndWrongTypes) {
    const QString path = paths::settingsFile();
    writeBytes(path, R"({
        "bool": true, "boolAsNumber": 1, "boolAsString": "true",
        "int": 42, "negative": -7, "intAsFraction": 2.5, "intTooLarge": 3000000000,
        "intAsString": "42", "intAsBool": true, "intAsExponent": 1e3,
        "double": 0.25, "doubleFromInt": 3, "doubleAsString": "0.5",
        "string": "文本/ok", "stringAsNumber": 5, "nullValue": null,
        "array": [1, "two"], "object": {"a": 1},
        "data": "AAEC/w==", "dataBroken": "not base64!", "dataNumber": 12, "dataWide": "数据"
    })");
    const SettingsStore store(path);

    EXPECT_TRUE(store.boolValue(QStringLiteral("bool"), false));
    EXPECT_FALSE(store.boolValue(QStringLiteral("boolAsNumber"), false));
    EXPECT_FALSE(store.boolValue(QStringLiteral("boolAsString"), false));
    EXPECT_TRUE(store.boolValue(QStringLiteral("missing"), true));

    EXPECT_EQ(store.intValue(QStringLiteral("int"), 0), 42);
    EXPECT_EQ(store.intValue(QStringLiteral("negative"), 0), -7);
    EXPECT_EQ(store.intValue(QStringLiteral("intAsExponent"), 0), 1000);
    for (const char* wrong : {"intAsFraction", "intTooLarge", "intAsString", "intAsBool", "nullValue", "missing"})
        EXPECT_EQ(store.intValue(QLatin1String(wrong), 9), 9) << wrong;

    EXPECT_DOUBLE_EQ(store.doubleValue(QStringLiteral("double"), 1.0), 0.25);
    EXPECT_DOUBLE_EQ(store.doubleValue(QStringLiteral("doubleFromInt"), 1.0), 3.0);
    EXPECT_DOUBLE_EQ(store.doubleValue(QStringLiteral("doubleAsString"), 1.0), 1.0);
    EXPECT_DOUBLE_EQ(store.doubleValue(QStringLiteral("missing"), 1.5), 1.5);

    EXPECT_EQ(store.stringValue(QStringLiteral("string")), QStringLiteral("文本/ok"));
    EXPECT_EQ(store.stringValue(QStringLiteral("stringAsNumber"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(store.stringValue(QStringLiteral("missing")), QString());

    ASSERT_TRUE(store.arrayValue(QStringLiteral("array")).has_value());
    EXPECT_EQ(store.arrayValue(QStringLiteral("array"))->size(), 2);
    EXPECT_FALSE(store.arrayValue(QStringLiteral("object")).has_value());
    ASSERT_TRUE(store.dictionaryValue(QStringLiteral("object")).has_value());
    EXPECT_EQ(store.dictionaryValue(QStringLiteral("object"))->value(QStringLiteral("a")).toInt(), 1);
    EXPECT_FALSE(store.dictionaryValue(QStringLiteral("array")).has_value());

    EXPECT_EQ(store.dataValue(QStringLiteral("data")), QByteArray("\x00\x01\x02\xff", 4));
    for (const char* wrong : {"dataBroken", "dataNumber", "dataWide", "missing"})
        EXPECT_FALSE(store.dataValue(QLatin1String(wrong)).has_value()) << wrong;

    EXPECT_TRUE(store.contains(QStringLiteral("nullValue")));
    EXPECT_TRUE(store.value(QStringLiteral("missing")).isUndefined());
}

TEST(SettingsStoreTest, ValuesSurviveANewInstanceAndRemoveDeletesThem) {
    const QString path = paths::settingsFile();
    const QByteArray binary("\x00\xfe\x10 bytes\n", 9);
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.setBool(QStringLiteral("b"), true));
        ASSERT_TRUE(store.setInt(QStringLiteral("i"), std::numeric_limits<int>::min()));
        ASSERT_TRUE(store.setDouble(QStringLiteral("d"), 0.3));
        ASSERT_TRUE(store.setString(QStringLiteral("s"), QStringLiteral("やあ\n/path")));
        ASSERT_TRUE(store.setArray(QStringLiteral("a"), QJsonArray{1, QStringLiteral("x")}));
        ASSERT_TRUE(store.setDictionary(QStringLiteral("o"), QJsonObject{{QStringLiteral("k"), true}}));
        ASSERT_TRUE(store.setData(QStringLiteral("bin"), binary));
        ASSERT_TRUE(store.setData(QStringLiteral("empty"), QByteArray()));
        // Non-finite numbers have no JSON form: refused, the old value stays.
        EXPECT_FALSE(store.setDouble(QStringLiteral("d"), std::nan("")));
        EXPECT_FALSE(store.setDouble(QStringLiteral("d"), std::numeric_limits<double>::infinity()));
        ASSERT_TRUE(store.setInt(QStringLiteral("gone"), 1));
        ASSERT_TRUE(store.remove(QStringLiteral("gone")));
        EXPECT_FALSE(store.contains(QStringLiteral("gone")));
    }
    const SettingsStore reloaded(path);
    EXPECT_TRUE(reloaded.boolValue(QStringLiteral("b"), false));
    EXPECT_EQ(reloaded.intValue(QStringLiteral("i"), 0), std::numeric_limits<int>::min());
    EXPECT_DOUBLE_EQ(reloaded.doubleValue(QStringLiteral("d"), 0), 0.3);
    EXPECT_EQ(reloaded.stringValue(QStringLiteral("s")), QStringLiteral("やあ\n/path"));
    EXPECT_EQ(reloaded.arrayValue(QStringLiteral("a")), (QJsonArray{1, QStringLiteral("x")}));
    EXPECT_EQ(reloaded.dictionaryValue(QStringLiteral("o")), (QJsonObject{{QStringLiteral("k"), true}}));
    EXPECT_EQ(reloaded.dataValue(QStringLiteral("bin")), binary);
    EXPECT_EQ(reloaded.dataValue(QStringLiteral("empty")), QByteArray("")) << "present but empty";
    EXPECT_FALSE(reloaded.contains(QStringLiteral("gone")));

    // Written whole as a pretty JSON object.
    const QByteArray text = readBytes(path);
    EXPECT_TRUE(text.startsWith("{\n"));
    EXPECT_TRUE(QJsonDocument::fromJson(text).isObject());
}

TEST(SettingsStoreTest, ConcurrentWritersAllLand) {
    SettingsStore store;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 25; ++i)
                store.setInt(QStringLiteral("k%1_%2").arg(t).arg(i), t * 100 + i);
        });
    }
    for (auto& thread : threads)
        thread.join();
    const SettingsStore reloaded;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(reloaded.intValue(QStringLiteral("k%1_%2").arg(t).arg(i), -1), t * 100 + i);
}

}  // namespace
}  // namespace ovisu
