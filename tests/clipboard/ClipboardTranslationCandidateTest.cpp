#include "clipboard/ClipboardTranslationCandidate.h"
#include "clipboard/LanguageGuess.h"
#include "clipboard/platform/Cld2LanguageGuess.h"

#include "support/QtPrinters.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Gives one prepared answer and remembers what it was asked.
class PreparedLanguageGuess final : public LanguageGuess {
public:
    explicit PreparedLanguageGuess(std::optional<QString> answer) : m_answer(std::move(answer)) {}
    std::optional<QString> dominantLanguage(const QString& text) override {
        asked.append(text);
        return m_answer;
    }
    QStringList asked;

private:
    std::optional<QString> m_answer;
};

TEST(ClipboardTranslationCandidateTest, TheTextMustPassTheGateAsIfFullyConfident) {
    PreparedLanguageGuess japanese(u"ja"_qs);
    for (const bool strict : {true, false}) {
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(QString(), strict, &japanese), std::nullopt);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u" \n　"_qs, strict, &japanese), std::nullopt);
        // One character only when it is a kana; two hiragana pass.
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"字"_qs, strict, &japanese), std::nullopt);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"あ"_qs, strict, &japanese), u"あ"_qs);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"はい"_qs, strict, &japanese), u"はい"_qs);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"Hello, world!"_qs, strict, &japanese), std::nullopt);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"あ\uFFFD\uFFFD"_qs, strict, &japanese), std::nullopt);
    }
}

TEST(ClipboardTranslationCandidateTest, AnswersTheCleanedText) {
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"  「待って」\r\n\r\n「待って」\r\n。。。行くぞ  "_qs,
                                                          true, nullptr),
              u"「待って」\n……行くぞ"_qs);
}

TEST(ClipboardTranslationCandidateTest, StrictDetectionAsksTheGuessOnlyForTextWithoutKana) {
    PreparedLanguageGuess japanese(u"ja"_qs);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"王都騎士団長"_qs, true, &japanese), u"王都騎士団長"_qs);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"敵が現れた！"_qs, true, &japanese), u"敵が現れた！"_qs);
    EXPECT_EQ(japanese.asked, QStringList{u"王都騎士団長"_qs});

    PreparedLanguageGuess regional(u"ja-JP"_qs);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"王都騎士団長"_qs, true, &regional), u"王都騎士団長"_qs);

    PreparedLanguageGuess chinese(u"zh"_qs);
    PreparedLanguageGuess undecided(std::nullopt);
    PreparedLanguageGuess javanese(u"jv"_qs);
    for (PreparedLanguageGuess* guess : {&chinese, &undecided, &javanese}) {
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"这是一个中文翻译"_qs, true, guess), std::nullopt);
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"这是一个中文翻译"_qs, false, guess),
                  u"这是一个中文翻译"_qs);
        // Kana decides without asking, whatever the guess would say.
        EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"カタカナ"_qs, true, guess), u"カタカナ"_qs);
        EXPECT_EQ(guess->asked, QStringList{u"这是一个中文翻译"_qs});
    }

    // Without a language guess, strict detection is the kana test.
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"王都騎士団長"_qs, true, nullptr), std::nullopt);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"王都騎士団長"_qs, false, nullptr), u"王都騎士団長"_qs);
}

TEST(ClipboardTranslationCandidateTest, WithoutStrictDetectionTwelvePercentJapaneseIsEnough) {
    // 1 of 8 non-space scalars is Japanese (12.5 %); 1 of 9 is not enough.
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"字 abcdefg"_qs, false, nullptr), u"字 abcdefg"_qs);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"字 abcdefgh"_qs, false, nullptr), std::nullopt);
}

TEST(Cld2LanguageGuessTest, NamesJapaneseChineseAndEnglish) {
    Cld2LanguageGuess guess;
    EXPECT_EQ(guess.dominantLanguage(u"今日はいい天気ですね。散歩に行きましょう。"_qs), u"ja"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"勇者よ、魔王を倒してくれ"_qs), u"ja"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"你今天怎么样？我很好，谢谢。"_qs), u"zh"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"這是一個繁體中文的句子，我們明天再討論這個問題。"_qs), u"zh"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"The weather is nice today, let's go for a walk."_qs), u"en"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"Le chat est sur la table et il dort tranquillement."_qs), u"fr"_qs);
}

TEST(Cld2LanguageGuessTest, ShortKanaAndTooLittleTextToTell) {
    Cld2LanguageGuess guess;
    EXPECT_EQ(guess.dominantLanguage(u"ありがとう"_qs), u"ja"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"カタカナ"_qs), u"ja"_qs);
    // Two kana are too few for CLD2; the clipboard's kana test accepts them without asking.
    EXPECT_EQ(guess.dominantLanguage(u"はい"_qs), std::nullopt);
    EXPECT_EQ(guess.dominantLanguage(u"Hello"_qs), std::nullopt);
    EXPECT_EQ(guess.dominantLanguage(QString()), std::nullopt);
    EXPECT_EQ(guess.dominantLanguage(u"！？……"_qs), std::nullopt);
    // A lone surrogate (not valid text) does no harm.
    EXPECT_EQ(guess.dominantLanguage(QString(QChar(0xD800)) + u"abc"_qs), std::nullopt);
}

// Kanji alone is ambiguous between Japanese and Chinese. What CLD2 says here is recorded so that
// a library update that changes it is noticed: strict clipboard detection translates exactly the
// kanji-only texts that CLD2 calls Japanese and lets through nothing it cannot place.
TEST(Cld2LanguageGuessTest, KanjiOnlyTextIsWhateverItsCharactersSuggest) {
    Cld2LanguageGuess guess;
    // Japanese-only word forms and shinjitai.
    EXPECT_EQ(guess.dominantLanguage(u"王都騎士団長"_qs), u"ja"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"東京都千代田区"_qs), u"ja"_qs);
    EXPECT_EQ(guess.dominantLanguage(u"今日天気"_qs), u"ja"_qs);
    // Simplified characters.
    EXPECT_EQ(guess.dominantLanguage(u"我们一起去吃饭吧"_qs), u"zh"_qs);
    // Shared by both languages, or simply too short: no answer.
    EXPECT_EQ(guess.dominantLanguage(u"日本語"_qs), std::nullopt);
    EXPECT_EQ(guess.dominantLanguage(u"学校"_qs), std::nullopt);
    EXPECT_EQ(guess.dominantLanguage(u"今天天气很好"_qs), std::nullopt);

    // Through the candidate test with strict detection on: what CLD2 cannot place is refused.
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"王都騎士団長"_qs, true, &guess), u"王都騎士団長"_qs);
    EXPECT_EQ(ClipboardTranslationCandidate::japaneseText(u"日本語"_qs, true, &guess), std::nullopt);
}

TEST(Cld2LanguageGuessTest, TheLoaderCanBeForcedToHaveNone) {
    const QByteArray saved = qgetenv("OVISU_LANGUAGE_GUESS");
    qunsetenv("OVISU_LANGUAGE_GUESS");
    const std::unique_ptr<LanguageGuess> platform = makeLanguageGuess();
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(platform->dominantLanguage(u"私は学生です"_qs), u"ja"_qs);
    qputenv("OVISU_LANGUAGE_GUESS", "null");
    EXPECT_EQ(makeLanguageGuess(), nullptr);
    if (saved.isNull())
        qunsetenv("OVISU_LANGUAGE_GUESS");
    else
        qputenv("OVISU_LANGUAGE_GUESS", saved);
}

}  // namespace
}  // namespace ovisu
