#include "engine/DefaultPrompts.h"
#include "engine/RecentTranslationContext.h"
#include "engine/TranslationGlossaryFormatter.h"
#include "engine/TranslationPromptRenderer.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString kJapanese = QStringLiteral(u"日语");
const QString kChinese = QStringLiteral(u"简体中文");
const QString kContextHeading = QStringLiteral(u"参考前文（仅用于统一指代、称呼、术语和语气）：\n");
const QString kWorkHeading = QStringLiteral(u"作品与角色设定：\n");
const QString kGlossaryHeading = QStringLiteral(u"必须遵循以下术语表（左侧原词，右侧指定译法）：\n");
const QString kBilingualLine = QStringLiteral(u"专有名词首次出现时可使用“原名（中文释义）”，之后保持统一。\n");
const QString kShortInstruction = QStringLiteral(u"请完整读取下面同一段多行日语文本，并按整体语义翻译为简体中文：");

QString render(const QString& templateText, const QString& text, const QString& context = {},
               const QString& glossary = {}, const QString& workContext = {}, bool bilingual = false) {
    return TranslationPromptRenderer::render(templateText, text, context, glossary, workContext, kJapanese,
                                             kChinese, bilingual);
}

// --- rendering ---

TEST(PromptRendering, EmptyBlocksLeaveOnlyInstructionAndText) {
    const QString expected = kShortInstruction + u"\n"_s + u"おはよう"_s;
    EXPECT_EQ(render(DefaultPrompts::shortTemplate(), QStringLiteral(u"おはよう")), expected);
    // Blank contents count as absent.
    EXPECT_EQ(render(DefaultPrompts::shortTemplate(), QStringLiteral(u"おはよう"), QStringLiteral(u" \n\t"),
                     QStringLiteral(u"\n# only a comment\n"), QStringLiteral(u"\u3000")),
              expected);
}

TEST(PromptRendering, BlankTemplateFallsBackToShortTemplate) {
    const QString viaDefault = render(DefaultPrompts::shortTemplate(), QStringLiteral(u"テキスト"),
                                      QStringLiteral(u"原文：a\n译文：b"));
    EXPECT_EQ(render(QString(), QStringLiteral(u"テキスト"), QStringLiteral(u"原文：a\n译文：b")), viaDefault);
    EXPECT_EQ(render(QStringLiteral(u"  \n\t "), QStringLiteral(u"テキスト"), QStringLiteral(u"原文：a\n译文：b")),
              viaDefault);
    EXPECT_TRUE(viaDefault.endsWith(kShortInstruction + u"\nテキスト"_s));
}

TEST(PromptRendering, ShortTemplateWithEveryBlock) {
    const QString message = render(DefaultPrompts::shortTemplate(), QStringLiteral(u"行1\n行2"),
                                   QStringLiteral(u"原文：前\n译文：前译"), QStringLiteral(u"ユウ=悠"),
                                   QStringLiteral(u"悠是学生会长"), true);
    const QString expected = kContextHeading + u"原文：前\n译文：前译\n"_s + u"\n"_s + kWorkHeading + u"悠是学生会长\n"_s +
                             u"\n"_s + kGlossaryHeading + u"ユウ → 悠\n"_s + kBilingualLine + u"\n"_s + kShortInstruction +
                             u"\n行1\n行2"_s;
    EXPECT_EQ(message, expected);
}

TEST(PromptRendering, AllElevenPlaceholders) {
    const QString templateText =
        u"{text}|{src}|{source_text}|{context}|{work_context}|{character_context}|{glossary}|"
        u"{srclang}|{source_language}|{tgtlang}|{target_language}"_s;
    const QString context = kContextHeading + u"C\n"_s;
    const QString work = kWorkHeading + u"W\n"_s;
    const QString glossary = kGlossaryHeading + u"a → b\n"_s;
    const QString expected = u"T|T|T|"_s + context + u"|"_s + work + u"|"_s + work + u"|"_s + glossary +
                             u"|日语|日语|简体中文|简体中文"_s;
    EXPECT_EQ(render(templateText, QStringLiteral(u"T"), QStringLiteral(u"C"), QStringLiteral(u"a=b"),
                     QStringLiteral(u"W")),
              expected);
}

TEST(PromptRendering, PlaceholdersAreExactValuesUntrimmedAndLineFeedRunsCollapse) {
    struct Case {
        QString templateText, text, context, glossary, workContext;
        bool bilingual;
        QString expected;
    };
    const Case cases[] = {
        {u"{TEXT} { text} {text {unknown} {{text}} }{"_s, u"X"_s, {}, {}, {}, false, u"{TEXT} { text} {text {unknown} {X} }{"_s},
        // Game text, context and work description may contain brace text of their own: never expanded again.
        {u"{work_context}{glossary}{text}"_s, u"「{glossary}と{context}と{text}」"_s, {}, u"a=b"_s, u"{srclang} 是暗号"_s, false,
         kWorkHeading + u"{srclang} 是暗号\n"_s + kGlossaryHeading + u"a → b\n"_s + u"「{glossary}と{context}と{text}」"_s},
        {u"{text}"_s, u"{glossary}"_s, {}, u"a=b"_s, {}, false, u"{glossary}"_s},
        {u"\n\nA\n\n\n\n\nB\n\nC\n\n\n{text}\n\n\n"_s, u"X"_s, {}, {}, {}, false, u"A\n\nB\n\nC\n\nX"_s},
        {u"{text}"_s, u"一\n\n\n\n二"_s, {}, {}, {}, false, u"一\n\n二"_s},
        // The bilingual line stands in for a glossary that is not there.
        {DefaultPrompts::shortTemplate(), u"X"_s, {}, {}, {}, true, kBilingualLine + u"\n"_s + kShortInstruction + u"\nX"_s},
        {u"[{glossary}]"_s, u"X"_s, {}, {}, {}, true, u"["_s + kBilingualLine + u"]"_s},
        {u"[{glossary}]"_s, u"X"_s, {}, {}, {}, false, u"[]"_s},
        {u"{context}|{work_context}"_s, u"X"_s, u"  前文 "_s, {}, u" 设定"_s, false,
         kContextHeading + u"  前文 \n|"_s + kWorkHeading + u" 设定"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(c.templateText, c.text, c.context, c.glossary, c.workContext, c.bilingual), c.expected)
            << c.templateText.toStdString();
    // The Hy-MT template with nothing to fill keeps exactly one blank line under its heading.
    const QString hymt = render(DefaultPrompts::hymtTemplate(), QStringLiteral(u"X"));
    EXPECT_TRUE(hymt.startsWith(QStringLiteral(u"〖背景信息〗\n\n〖翻译任务〗\n1. 将下方日语文本翻译为简体中文。")));
    EXPECT_FALSE(hymt.contains(QStringLiteral(u"\n\n\n")));
    EXPECT_TRUE(hymt.endsWith(QStringLiteral(u"〖待翻译文本〗\nX")));
}

TEST(PromptRendering, BuiltInTemplatesLeaveNoPlaceholderBehind) {
    for (const QString& templateText :
         {DefaultPrompts::shortTemplate(), DefaultPrompts::hymtTemplate(), DefaultPrompts::faithfulDialogueTemplate(),
          DefaultPrompts::conciseUITemplate()}) {
        const QString message = render(templateText, QStringLiteral(u"SOURCE"), QStringLiteral(u"CTX"),
                                       QStringLiteral(u"a=b"), QStringLiteral(u"WORK"), true);
        EXPECT_FALSE(message.contains(u'{')) << message.toStdString();
        EXPECT_FALSE(message.contains(u'}')) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral(u"\nSOURCE"))) << message.toStdString();
        EXPECT_TRUE(message.contains(kGlossaryHeading + u"a → b\n"_s)) << message.toStdString();
    }
}

// --- glossary ---

QString normalized(const QString& text) {
    return TranslationGlossaryFormatter::normalized(text);
}

TEST(GlossaryNormalization, EachLineSplitsAtItsFirstUsableSeparatorAndASecondPassChangesNothing) {
    const std::pair<QString, QString> cases[] = {
        {u"ユウ=悠"_s, u"ユウ → 悠"_s},
        {u"ユウ\t悠"_s, u"ユウ → 悠"_s},
        {u"ユウ => 悠"_s, u"ユウ → 悠"_s},
        {u"ユウ→悠"_s, u"ユウ → 悠"_s},
        {u"  ユウ   =   悠  "_s, u"ユウ → 悠"_s},
        // Tab, then "=>", then "=", then "→"; later separators stay in the right side.
        {u"甲=>乙=丙"_s, u"甲 → 乙=丙"_s},
        {u"甲=>乙=>丙"_s, u"甲 → 乙=>丙"_s},
        {u"甲=乙=>丙"_s, u"甲=乙 → 丙"_s},
        {u"甲=>乙\t丙"_s, u"甲=>乙 → 丙"_s},
        {u"甲→乙=丙"_s, u"甲→乙 → 丙"_s},
        {u"甲=乙→丙"_s, u"甲 → 乙→丙"_s},
        // A separator with an empty side falls through to the next one, or the line stays.
        {u"=悠"_s, u"=悠"_s},
        {u"ユウ="_s, u"ユウ="_s},
        {u"=>悠"_s, u"=>悠"_s},
        {u"ユウ=>"_s, u"ユウ → >"_s},
        {u"=>甲→乙"_s, u"=>甲 → 乙"_s},
        {u"只有一个词"_s, u"只有一个词"_s},
        // Comments and blank lines go; every kind of line break ends a line.
        {u"# 人名\n\n   #注释=不是词条\nA=1\r\nB=2\rC=3\u2028D=4\n  \t \nE#=5"_s, u"A → 1\nB → 2\nC → 3\nD → 4\nE# → 5"_s},
        {QString(), QString()},
        {u"\n# a\n\n"_s, QString()},
    };
    // A second pass changes nothing, line by line or all at once.
    QStringList all;
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(normalized(input), expected) << input.toStdString();
        EXPECT_EQ(normalized(expected), expected) << input.toStdString();
        all << input;
    }
    const QString whole = normalized(all.join(u'\n'));
    EXPECT_EQ(normalized(whole), whole);
    // A separator inside the translation survives a second pass through the renderer.
    EXPECT_EQ(render(QStringLiteral(u"{glossary}"), QString(), QString(), normalized(QStringLiteral(u"甲=>乙=丙"))),
              kGlossaryHeading + u"甲 → 乙=丙"_s);
}

// --- context ---

TranslationHistoryRecord record(const QString& original, const QString& translation) {
    TranslationHistoryRecord result;
    result.original = original;
    result.translation = translation;
    return result;
}

TEST(RecentContext, TakesTheLastRecordsOldestFirstAndNothingBelowOne) {
    const QList<TranslationHistoryRecord> records = {record(QStringLiteral(u"一"), QStringLiteral(u"1")),
                                                     record(QStringLiteral(u"二"), QStringLiteral(u"2")),
                                                     record(QStringLiteral(u"三"), QStringLiteral(u"3"))};
    EXPECT_EQ(recentTranslationContext(records, 2), QStringLiteral(u"原文：二\n译文：2\n\n原文：三\n译文：3"));
    EXPECT_EQ(recentTranslationContext(records, 3),
              QStringLiteral(u"原文：一\n译文：1\n\n原文：二\n译文：2\n\n原文：三\n译文：3"));
    EXPECT_EQ(recentTranslationContext(records, 10), recentTranslationContext(records, 3));
    EXPECT_EQ(recentTranslationContext(records, 0), QString());
    EXPECT_EQ(recentTranslationContext(records, -5), QString());
    EXPECT_EQ(recentTranslationContext({}, 3), QString());
}

}  // namespace
}  // namespace ovisu
