#include "engine/DialogueCacheKey.h"
#include "engine/TranslationDurationFormatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ovisu {
namespace {

QString keyFor(const QString& text) {
    return dialogueCacheKey(text, u"DeepSeek"_qs, u"deepseek-chat"_qs, u"p"_qs, u"g"_qs, u"w"_qs);
}

TEST(DialogueCacheKeyTest, IsTheSha256OfTheComparisonFormAndSettingsJoinedWithUnitSeparators) {
    // sha256("そうか␟DeepSeek␟deepseek-chat␟p␟g␟w"), computed independently.
    EXPECT_EQ(keyFor(u"「そうか……」"_qs), u"46f346f8437e20defdf123755814dc3db4866b21df1f7272c759934a60123447"_qs);
    // Spacing, line breaks, punctuation and case do not matter; words do.
    const QString key = keyFor(u"Hello world, 今日はいい天気"_qs);
    EXPECT_EQ(keyFor(u"hello  WORLD\n今日は\r\nいい天気！"_qs), key);
    EXPECT_NE(keyFor(u"Hello world, 今日は悪い天気"_qs), key);
}

TEST(DialogueCacheKeyTest, EverySettingChangesTheKey) {
    const QString text = u"おはよう"_qs;
    const QString base = dialogueCacheKey(text, u"DeepSeek"_qs, u"m"_qs, u"p"_qs, u"g"_qs, u"w"_qs);
    EXPECT_NE(dialogueCacheKey(text, u"OpenAI"_qs, u"m"_qs, u"p"_qs, u"g"_qs, u"w"_qs), base);
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"m2"_qs, u"p"_qs, u"g"_qs, u"w"_qs), base);
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"m"_qs, u"p2"_qs, u"g"_qs, u"w"_qs), base);
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"m"_qs, u"p"_qs, u"g2"_qs, u"w"_qs), base);
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"m"_qs, u"p"_qs, u"g"_qs, u"w2"_qs), base);
    // The separator keeps neighbouring settings apart.
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeekm"_qs, QString(), u"p"_qs, u"g"_qs, u"w"_qs), base);
    // Settings are taken as they are: their case and spacing count.
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"M"_qs, u"p"_qs, u"g"_qs, u"w"_qs), base);
    EXPECT_NE(dialogueCacheKey(text, u"DeepSeek"_qs, u"m"_qs, u"p "_qs, u"g"_qs, u"w"_qs), base);
}

TEST(TranslationDurationFormatterTest, WordsKnownAndUnknownDurations) {
    EXPECT_EQ(TranslationDurationFormatter::string(std::nullopt), u"耗时未知"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(std::nan("")), u"耗时未知"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(std::numeric_limits<double>::infinity()), u"耗时未知"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(-1.0), u"耗时未知"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(0.0), u"<0.01 秒"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(0.004), u"<0.01 秒"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(0.01), u"0.01 秒"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(1.5), u"1.50 秒"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(12.345), u"12.35 秒"_qs);
    EXPECT_EQ(TranslationDurationFormatter::string(3600.0), u"3600.00 秒"_qs);
}

}  // namespace
}  // namespace ovisu
