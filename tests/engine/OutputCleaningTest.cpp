#include "engine/SystemTranslationOutputRefiner.h"
#include "engine/TranslationOutputCleaner.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

using namespace Qt::Literals::StringLiterals;

QString clean(const QString& text, bool filterThinking = true) {
    return TranslationOutputCleaner::clean(text, filterThinking);
}

QString deduplicated(const QString& text) {
    return TranslationOutputCleaner::deduplicated(text);
}

// --- clean ---

TEST(OutputCleaning, WithoutFilteringOnlyTrims) {
    EXPECT_EQ(clean(QStringLiteral(u"\n  <think>嗯</think>\n译文：你好 \n\t"), false),
              QStringLiteral(u"<think>嗯</think>\n译文：你好"));
}

TEST(OutputCleaning, ClosedThinkBlockAndLabelLeaveTheAnswer) {
    EXPECT_EQ(clean(QStringLiteral(u"<think>\n先分析一下。\n主语是她。\n</think>\n译文：你来了啊。")),
              QStringLiteral(u"你来了啊。"));
    EXPECT_EQ(clean(QStringLiteral(u"<thinking>a</thinking>答<think>b</think>案")), QStringLiteral(u"答案"));
    // Shortest match: text between two blocks survives.
    EXPECT_EQ(clean(QStringLiteral(u"<think>a</think>留下<think>b</think>")), QStringLiteral(u"留下"));
}

TEST(OutputCleaning, UnclosedThinkBlockRunsToTheEnd) {
    EXPECT_EQ(clean(QStringLiteral(u"你来了啊。\n<think>用户想要……\n还没写完")), QStringLiteral(u"你来了啊。"));
    EXPECT_EQ(clean(QStringLiteral(u"<think>只有思考")), QString());
}

TEST(OutputCleaning, ThinkTagsAreCaseInsensitive) {
    EXPECT_EQ(clean(QStringLiteral(u"<THINK>x</Think>你好")), QStringLiteral(u"你好"));
    EXPECT_EQ(clean(QStringLiteral(u"<Thinking>x\ny</THINKING>你好")), QStringLiteral(u"你好"));
    EXPECT_EQ(clean(QStringLiteral(u"你好<THINKING>没关")), QStringLiteral(u"你好"));
}

TEST(OutputCleaning, LabelRemovedOnceAndOnlyAtLineStart) {
    EXPECT_EQ(clean(QStringLiteral(u"译文：甲\n译文：乙")), QStringLiteral(u"甲\n译文：乙"));
    EXPECT_EQ(clean(QStringLiteral(u"他写下了译文：好")), QStringLiteral(u"他写下了译文：好"));
    EXPECT_EQ(clean(QStringLiteral(u"说明\n最终译文 ： 答")), QStringLiteral(u"说明\n答"));
    EXPECT_EQ(clean(QStringLiteral(u"TRANSLATION: hello")), QStringLiteral(u"hello"));
    EXPECT_EQ(clean(QStringLiteral(u"Translation：\n早上好")), QStringLiteral(u"早上好"));
    EXPECT_EQ(clean(QStringLiteral(u"译文:半角冒号")), QStringLiteral(u"半角冒号"));
    EXPECT_EQ(clean(QStringLiteral(u"译文 没有冒号")), QStringLiteral(u"译文 没有冒号"));
    // A line also starts after a lone carriage return.
    EXPECT_EQ(clean(QStringLiteral(u"前\r译文：后")), QStringLiteral(u"前\r后"));
}

// --- deduplicated ---

TEST(OutputDeduplication, EmptyInput) {
    EXPECT_EQ(deduplicated(QString()), QString());
    EXPECT_EQ(deduplicated(QStringLiteral(u" \n\t\n ")), QString());
}

TEST(OutputDeduplication, RepeatsWithinTheLastThreeLinesAreDropped) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"你来了啊\n你来了啊\n你来了啊")), QStringLiteral(u"你来了啊"));
    // Comparison ignores case, white space, punctuation and symbols; the first spelling stays.
    EXPECT_EQ(deduplicated(QStringLiteral(u"Hello, World!\nhello world\n「HELLO WORLD」★")),
              QStringLiteral(u"Hello, World!"));
    // Ideographic space and full-width punctuation count as white space and punctuation.
    EXPECT_EQ(deduplicated(QStringLiteral(u"你好\u3000世界！\n你好世界。")), QStringLiteral(u"你好\u3000世界！"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"第一句\n第二句\n第三句\n第一句")),
              QStringLiteral(u"第一句\n第二句\n第三句"));
}

TEST(OutputDeduplication, WindowHoldsThreeKeys) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"第一句\n第二句\n第三句\n第四句\n第一句")),
              QStringLiteral(u"第一句\n第二句\n第三句\n第四句\n第一句"));
    // Short lines never enter the window, so they do not push older keys out.
    EXPECT_EQ(deduplicated(QStringLiteral(u"第一句\n嗯\n嗯\n嗯\n嗯\n第一句")), QStringLiteral(u"第一句\n嗯\n嗯\n嗯\n嗯"));
}

TEST(OutputDeduplication, ShortKeysRepeatFreely) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"嗯\n嗯\n嗯")), QStringLiteral(u"嗯\n嗯\n嗯"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"好的！\n好的！\n好的！\n好的！")), QStringLiteral(u"好的！\n好的！\n好的！\n好的！"));
    // Two characters outside the basic plane are still two characters.
    EXPECT_EQ(deduplicated(QStringLiteral(u"𠀀𠀁\n𠀀𠀁")), QStringLiteral(u"𠀀𠀁\n𠀀𠀁"));
}

TEST(OutputDeduplication, PunctuationOnlyLinesDroppedEmptyLinesKept) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"……\n你好\n！？\n\n★～\n再见\n⋯⋯")), QStringLiteral(u"你好\n\n再见"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"  你好呀  \n\t再见了 ")), QStringLiteral(u"你好呀\n再见了"));
}

TEST(OutputDeduplication, AnswerGivenTwiceIsCutToOne) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"今天天气很好。今天天气很好。")), QStringLiteral(u"今天天气很好。"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"你好世界你好世界")), QStringLiteral(u"你好世界"));
    // Seven characters or fewer, an odd count or unequal halves stay whole.
    EXPECT_EQ(deduplicated(QStringLiteral(u"好啊好啊")), QStringLiteral(u"好啊好啊"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"你好世界你好世界啊")), QStringLiteral(u"你好世界你好世界啊"));
    EXPECT_EQ(deduplicated(QStringLiteral(u"你好世界你好世间")), QStringLiteral(u"你好世界你好世间"));
    // White space between the copies does not hide the doubling.
    EXPECT_EQ(deduplicated(QStringLiteral(u"你好世界 你好世界")), QStringLiteral(u"你好世界"));
}

TEST(OutputDeduplication, DoubledAnswerWithInnerWhiteSpaceStaysWhole) {
    EXPECT_EQ(deduplicated(QStringLiteral(u"Hello there Hello there")), QStringLiteral(u"Hello there Hello there"));
}

TEST(OutputDeduplication, CharactersAreCodePoints) {
    // Eight code points (sixteen UTF-16 units): doubled, cut.
    EXPECT_EQ(deduplicated(QStringLiteral(u"𠀀𠀁𠀂𠀃𠀀𠀁𠀂𠀃")), QStringLiteral(u"𠀀𠀁𠀂𠀃"));
    // Six code points are not more than seven, even though they are twelve UTF-16 units.
    EXPECT_EQ(deduplicated(QStringLiteral(u"𠀀𠀁𠀂𠀀𠀁𠀂")), QStringLiteral(u"𠀀𠀁𠀂𠀀𠀁𠀂"));
}

// --- system translation refiner ---

using Refiner = SystemTranslationOutputRefiner;

TEST(SystemRefiner, SingleKanaFallback) {
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"ア"), QStringLiteral(u"Ah")), QStringLiteral(u"啊"));
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"ン…"), QStringLiteral(u"N...")), QStringLiteral(u"嗯…"));
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u" エ！？"), QString()), QStringLiteral(u" 诶！？"));
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"オ、オ"), QStringLiteral(u"Oh")), std::nullopt);
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"ウ"), QStringLiteral(u"u")), QStringLiteral(u"呜"));
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"イ"), QStringLiteral(u"i")), QStringLiteral(u"咦"));
}

TEST(SystemRefiner, SingleKanaFallbackDeclines) {
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"ア"), QStringLiteral(u"啊")), std::nullopt);
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"ア"), QStringLiteral(u"a㐀")), std::nullopt);  // U+3400
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"アン"), QStringLiteral(u"An")), std::nullopt);
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"カ"), QStringLiteral(u"Ka")), std::nullopt);
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"あ"), QStringLiteral(u"A")), std::nullopt);
    EXPECT_EQ(Refiner::singleKanaFallback(QStringLiteral(u"……"), QStringLiteral(u"...")), std::nullopt);
}

TEST(SystemRefiner, ChillingSensation) {
    const QString source = QStringLiteral(u"背筋に ぞくっと する感覚が\n這い上がってくる");
    EXPECT_EQ(Refiner::refineChillingSensation(source, QStringLiteral(u"背后一种不寒而行的感觉爬上来")),
              QStringLiteral(u"背后一股令人不寒而栗的感觉涌了上来"));
    EXPECT_EQ(Refiner::refineChillingSensation(source, QStringLiteral(u"一种不寒而行的感觉爬了上来。")),
              QStringLiteral(u"一股令人不寒而栗的感觉涌了上来。"));
    EXPECT_EQ(Refiner::refineChillingSensation(source, QStringLiteral(u"不寒而行")), QStringLiteral(u"不寒而栗"));
    // Already right: left alone, even with the wrong phrase elsewhere.
    EXPECT_EQ(Refiner::refineChillingSensation(source, QStringLiteral(u"一阵战栗，不寒而行")),
              QStringLiteral(u"一阵战栗，不寒而行"));
    EXPECT_EQ(Refiner::refineChillingSensation(source, QStringLiteral(u"不寒而栗……一种不寒而栗的感觉爬上来")),
              QStringLiteral(u"不寒而栗……一种不寒而栗的感觉爬上来"));
    // The source must hold both phrases.
    EXPECT_EQ(Refiner::refineChillingSensation(QStringLiteral(u"ぞくっとする感覚"), QStringLiteral(u"不寒而行")),
              QStringLiteral(u"不寒而行"));
}

TEST(SystemRefiner, KatakanaHesitation) {
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"扑…心跳")),
              QStringLiteral(u"心…心跳"));
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"心…心跳")),
              QStringLiteral(u"心…心跳"));
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド .. ドキドキする"), QStringLiteral(u"扑……心跳不已")),
              QStringLiteral(u"心……心跳不已"));
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ス⋯⋯スキ"), QStringLiteral(u"我...喜欢你")),
              QStringLiteral(u"喜...喜欢你"));
    // Only the first stutter of the translation is changed.
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"扑…心跳，扑…心跳")),
              QStringLiteral(u"心…心跳，扑…心跳"));
    // A Han character outside the basic plane is taken whole.
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"扑…𠀀跳")),
              QStringLiteral(u"𠀀…𠀀跳"));
}

TEST(SystemRefiner, KatakanaHesitationNeedsAStutterOnBothSides) {
    const QString translation = QStringLiteral(u"扑…心跳");
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ドキドキ"), translation), translation);
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド、ドキドキ"), translation), translation);
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…キドキ"), translation), translation);
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ど…どきどき"), translation), translation);
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"扑…心")),
              QStringLiteral(u"扑…心"));
    EXPECT_EQ(Refiner::refineKatakanaHesitation(QStringLiteral(u"ド…ドキドキ"), QStringLiteral(u"心跳加速")),
              QStringLiteral(u"心跳加速"));
}

TEST(SystemRefiner, RefineAppliesAllThreeInOrder) {
    EXPECT_EQ(Refiner::refine(QStringLiteral(u"ア…"), QStringLiteral(u"Ah...")), QStringLiteral(u"啊…"));
    EXPECT_EQ(Refiner::refine(QStringLiteral(u"ド…ドキドキ、ぞくっとする感覚が這い上がってくる"),
                              QStringLiteral(u"扑…心跳，一种不寒而行的感觉爬了上来")),
              QStringLiteral(u"心…心跳，一股令人不寒而栗的感觉涌了上来"));
    EXPECT_EQ(Refiner::refine(QStringLiteral(u"こんにちは"), QStringLiteral(u"你好")), QStringLiteral(u"你好"));
}

}  // namespace
}  // namespace ovisu
