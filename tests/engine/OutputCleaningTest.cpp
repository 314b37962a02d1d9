#include "engine/SystemTranslationOutputRefiner.h"
#include "engine/TranslationOutputCleaner.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

using namespace Qt::Literals::StringLiterals;
using Refiner = SystemTranslationOutputRefiner;

struct Case {
    QString input;
    QString expected;
};

TEST(OutputCleaning, ThinkBlocksAndOneLeadingLabelAreRemoved) {
    // Without filtering only the outer white space goes.
    EXPECT_EQ(TranslationOutputCleaner::clean(u"\n  <think>嗯</think>\n译文：你好 \n\t"_s, false),
              u"<think>嗯</think>\n译文：你好"_s);
    const Case cases[] = {
        {u"<think>\n先分析一下。\n主语是她。\n</think>\n译文：你来了啊。"_s, u"你来了啊。"_s},
        {u"<thinking>a</thinking>答<think>b</think>案"_s, u"答案"_s},
        {u"<think>a</think>留下<think>b</think>"_s, u"留下"_s},  // shortest match
        // An unclosed block runs to the end.
        {u"你来了啊。\n<think>用户想要……\n还没写完"_s, u"你来了啊。"_s},
        {u"<think>只有思考"_s, QString()},
        // Tags in any case.
        {u"<THINK>x</Think>你好"_s, u"你好"_s},
        {u"<Thinking>x\ny</THINKING>你好"_s, u"你好"_s},
        {u"你好<THINKING>没关"_s, u"你好"_s},
        // The label goes once, and only at the start of a line.
        {u"译文：甲\n译文：乙"_s, u"甲\n译文：乙"_s},
        {u"他写下了译文：好"_s, u"他写下了译文：好"_s},
        {u"说明\n最终译文 ： 答"_s, u"说明\n答"_s},
        {u"TRANSLATION: hello"_s, u"hello"_s},
        {u"Translation：\n早上好"_s, u"早上好"_s},
        {u"译文:半角冒号"_s, u"半角冒号"_s},
        {u"译文 没有冒号"_s, u"译文 没有冒号"_s},
        {u"前\r译文：后"_s, u"前\r后"_s},  // a line also starts after a lone carriage return
    };
    for (const Case& c : cases) EXPECT_EQ(TranslationOutputCleaner::clean(c.input, true), c.expected) << c.input.toStdString();
}

TEST(OutputDeduplication, RepeatedLinesAndDoubledAnswersAreCut) {
    const Case cases[] = {
        {QString(), QString()},
        {u" \n\t\n "_s, QString()},
        // Repeats within the last three keys are dropped; comparison ignores case, white space
        // (the ideographic space too), punctuation and symbols, and the first spelling stays.
        {u"你来了啊\n你来了啊\n你来了啊"_s, u"你来了啊"_s},
        {u"Hello, World!\nhello world\n「HELLO WORLD」★"_s, u"Hello, World!"_s},
        {u"你好\u3000世界！\n你好世界。"_s, u"你好\u3000世界！"_s},
        {u"第一句\n第二句\n第三句\n第一句"_s, u"第一句\n第二句\n第三句"_s},
        {u"第一句\n第二句\n第三句\n第四句\n第一句"_s, u"第一句\n第二句\n第三句\n第四句\n第一句"_s},
        // Short lines repeat freely and never enter the window, so they push no key out.
        {u"第一句\n嗯\n嗯\n嗯\n嗯\n第一句"_s, u"第一句\n嗯\n嗯\n嗯\n嗯"_s},
        {u"嗯\n嗯\n嗯"_s, u"嗯\n嗯\n嗯"_s},
        {u"好的！\n好的！\n好的！\n好的！"_s, u"好的！\n好的！\n好的！\n好的！"_s},
        {u"𠀀𠀁\n𠀀𠀁"_s, u"𠀀𠀁\n𠀀𠀁"_s},  // two characters outside the basic plane are still two
        // Lines of only punctuation go; empty lines stay; every line is trimmed.
        {u"……\n你好\n！？\n\n★～\n再见\n⋯⋯"_s, u"你好\n\n再见"_s},
        {u"  你好呀  \n\t再见了 "_s, u"你好呀\n再见了"_s},
        // An answer given twice is cut to one, also with white space between the copies; seven
        // code points or fewer, an odd count, unequal halves or inner white space keep it whole.
        {u"今天天气很好。今天天气很好。"_s, u"今天天气很好。"_s},
        {u"你好世界你好世界"_s, u"你好世界"_s},
        {u"你好世界 你好世界"_s, u"你好世界"_s},
        {u"好啊好啊"_s, u"好啊好啊"_s},
        {u"你好世界你好世界啊"_s, u"你好世界你好世界啊"_s},
        {u"你好世界你好世间"_s, u"你好世界你好世间"_s},
        {u"Hello there Hello there"_s, u"Hello there Hello there"_s},
        {u"𠀀𠀁𠀂𠀃𠀀𠀁𠀂𠀃"_s, u"𠀀𠀁𠀂𠀃"_s},  // eight code points, sixteen UTF-16 units
        {u"𠀀𠀁𠀂𠀀𠀁𠀂"_s, u"𠀀𠀁𠀂𠀀𠀁𠀂"_s},  // six code points, though twelve units
    };
    for (const Case& c : cases) EXPECT_EQ(TranslationOutputCleaner::deduplicated(c.input), c.expected) << c.input.toStdString();
}

TEST(SystemRefiner, SingleKanaFallback) {
    const std::tuple<QString, QString, std::optional<QString>> cases[] = {
        {u"ア"_s, u"Ah"_s, u"啊"_s},
        {u"ン…"_s, u"N..."_s, u"嗯…"_s},
        {u" エ！？"_s, QString(), u" 诶！？"_s},
        {u"ウ"_s, u"u"_s, u"呜"_s},
        {u"イ"_s, u"i"_s, u"咦"_s},
        // Declined: more than one kana, a translation with Han in it, kana without a fallback.
        {u"オ、オ"_s, u"Oh"_s, std::nullopt},
        {u"ア"_s, u"啊"_s, std::nullopt},
        {u"ア"_s, u"a㐀"_s, std::nullopt},  // U+3400
        {u"アン"_s, u"An"_s, std::nullopt},
        {u"カ"_s, u"Ka"_s, std::nullopt},
        {u"あ"_s, u"A"_s, std::nullopt},
        {u"……"_s, u"..."_s, std::nullopt},
    };
    for (const auto& [source, translation, expected] : cases)
        EXPECT_EQ(Refiner::singleKanaFallback(source, translation), expected) << source.toStdString();
}

TEST(SystemRefiner, ChillingSensation) {
    const QString source = u"背筋に ぞくっと する感覚が\n這い上がってくる"_s;
    const Case cases[] = {
        {u"背后一种不寒而行的感觉爬上来"_s, u"背后一股令人不寒而栗的感觉涌了上来"_s},
        {u"一种不寒而行的感觉爬了上来。"_s, u"一股令人不寒而栗的感觉涌了上来。"_s},
        {u"不寒而行"_s, u"不寒而栗"_s},
        // Already right: left alone, even with the wrong phrase elsewhere.
        {u"一阵战栗，不寒而行"_s, u"一阵战栗，不寒而行"_s},
        {u"不寒而栗……一种不寒而栗的感觉爬上来"_s, u"不寒而栗……一种不寒而栗的感觉爬上来"_s},
    };
    for (const Case& c : cases) EXPECT_EQ(Refiner::refineChillingSensation(source, c.input), c.expected);
    // The source must hold both phrases.
    EXPECT_EQ(Refiner::refineChillingSensation(u"ぞくっとする感覚"_s, u"不寒而行"_s), u"不寒而行"_s);
}

TEST(SystemRefiner, KatakanaHesitation) {
    const std::tuple<QString, QString, QString> cases[] = {
        {u"ド…ドキドキ"_s, u"扑…心跳"_s, u"心…心跳"_s},
        {u"ド…ドキドキ"_s, u"心…心跳"_s, u"心…心跳"_s},
        {u"ド .. ドキドキする"_s, u"扑……心跳不已"_s, u"心……心跳不已"_s},
        {u"ス⋯⋯スキ"_s, u"我...喜欢你"_s, u"喜...喜欢你"_s},
        {u"ド…ドキドキ"_s, u"扑…心跳，扑…心跳"_s, u"心…心跳，扑…心跳"_s},  // only the first stutter
        {u"ド…ドキドキ"_s, u"扑…𠀀跳"_s, u"𠀀…𠀀跳"_s},  // a Han character outside the basic plane, whole
        // Both sides need a stutter of a katakana start.
        {u"ドキドキ"_s, u"扑…心跳"_s, u"扑…心跳"_s},
        {u"ド、ドキドキ"_s, u"扑…心跳"_s, u"扑…心跳"_s},
        {u"ド…キドキ"_s, u"扑…心跳"_s, u"扑…心跳"_s},
        {u"ど…どきどき"_s, u"扑…心跳"_s, u"扑…心跳"_s},
        {u"ド…ドキドキ"_s, u"扑…心"_s, u"扑…心"_s},
        {u"ド…ドキドキ"_s, u"心跳加速"_s, u"心跳加速"_s},
    };
    for (const auto& [source, translation, expected] : cases)
        EXPECT_EQ(Refiner::refineKatakanaHesitation(source, translation), expected) << translation.toStdString();
}

TEST(SystemRefiner, RefineAppliesAllThreeInOrder) {
    EXPECT_EQ(Refiner::refine(u"ア…"_s, u"Ah..."_s), u"啊…"_s);
    EXPECT_EQ(Refiner::refine(u"ド…ドキドキ、ぞくっとする感覚が這い上がってくる"_s, u"扑…心跳，一种不寒而行的感觉爬了上来"_s),
              u"心…心跳，一股令人不寒而栗的感觉涌了上来"_s);
    EXPECT_EQ(Refiner::refine(u"こんにちは"_s, u"你好"_s), u"你好"_s);
}

}  // namespace
}  // namespace ovisu
