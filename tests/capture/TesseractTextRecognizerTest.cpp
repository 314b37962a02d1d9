#include "base/TextSimilarity.h"
#include "capture/TextRecognizer.h"
#include "capture/platform/NullTextRecognizer.h"
#include "capture/platform/TesseractTextRecognizer.h"
#include "support/DialogueImageRenderer.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <thread>

namespace ovisu {
namespace {

using test::DialogueBackground;
using test::DialogueImageOptions;
using test::DialogueTextStyle;
using test::renderDialogueImage;

// White space is not counted, and full-width punctuation read as its ASCII twin ("！" as "!") is
// the same text to every later step.
QString comparable(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.normalized(QString::NormalizationForm_KC).remove(space);
}

QString joined(const QList<RecognizedLine>& lines) {
    QString text;
    for (const RecognizedLine& line : lines) text += line.text;
    return text;
}

TextRecognitionRequest requestAt(RecognitionLevel level) {
    TextRecognitionRequest request;
    request.level = level;
    request.customWords = QStringList{"す", "ます", "です", "します", "しました", "致します", "致しました"};
    return request;
}

// One engine for the whole suite, as a worker thread would keep it; starting one takes a while.
// It ends with the test run, not among the statics at exit: Tesseract's process-wide dictionary
// cache is such a static too, and when it went first it dropped the engine's dictionaries unfreed.
std::unique_ptr<TesseractTextRecognizer>& sharedRecognizerSlot() {
    static std::unique_ptr<TesseractTextRecognizer> recognizer;
    return recognizer;
}

TesseractTextRecognizer& sharedRecognizer() {
    auto& recognizer = sharedRecognizerSlot();
    if (!recognizer) recognizer = std::make_unique<TesseractTextRecognizer>();
    return *recognizer;
}

class SharedRecognizerRelease : public ::testing::Environment {
public:
    void TearDown() override { sharedRecognizerSlot().reset(); }
};

[[maybe_unused]] const auto* const sharedRecognizerRelease =
    ::testing::AddGlobalTestEnvironment(new SharedRecognizerRelease);

// Game-like crops: two fonts, 24-36 px, outlined white text on a translucent dark box over a calm
// or busy picture, and dark text on a light box; one- and two-line subtitles.
QList<DialogueImageOptions> testCorpus() {
    const QStringList lines = test::sampleDialogueLines();
    const QStringList fonts{"Noto Sans CJK JP", "Noto Serif CJK JP"};
    const QList<int> sizes{24, 28, 32, 36};
    const QList<QPair<DialogueTextStyle, DialogueBackground>> looks{
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::gradient},
        {DialogueTextStyle::outlinedOnDarkBox, DialogueBackground::busy},
        {DialogueTextStyle::darkOnLightBox, DialogueBackground::gradient},
    };
    QList<DialogueImageOptions> corpus;
    int next = 0;
    for (int i = 0; i < 12; ++i) {
        DialogueImageOptions options;
        options.fontFamily = fonts[i % 2];
        options.pixelSize = sizes[(i / 2) % sizes.size()];
        options.style = looks[i % looks.size()].first;
        options.background = looks[i % looks.size()].second;
        options.seed = unsigned(7 + i);
        const int count = i % 3 == 0 ? 1 : 2;
        for (int k = 0; k < count; ++k) options.lines.append(lines[(next++ * 7) % lines.size()]);
        corpus.append(options);
    }
    return corpus;
}

double characterErrorRate(RecognitionLevel level, QString* report) {
    qint64 edits = 0, characters = 0;
    for (const DialogueImageOptions& options : testCorpus()) {
        const auto lines = sharedRecognizer().recognize(renderDialogueImage(options).image, requestAt(level));
        EXPECT_TRUE(lines.has_value()) << (lines ? "" : lines.error().toStdString());
        const QString expected = comparable(options.lines.join(QString()));
        const QString got = lines ? comparable(joined(*lines)) : QString();
        const int distance = levenshteinDistance(expected, got);
        edits += distance;
        characters += expected.toUcs4().size();
        if (distance) *report += QStringLiteral("want %1\ngot  %2\n").arg(expected, got);
    }
    return double(edits) / double(characters);
}

TEST(TesseractTextRecognizer, readsRenderedJapaneseSubtitlesAtBothLevels) {
    // Measured on this corpus: 0.7 % at both levels (one "HP" read as "IIP"); the
    // bound leaves room for a different build of the model without letting a broken step through.
    for (const RecognitionLevel level : {RecognitionLevel::fast, RecognitionLevel::accurate}) {
        QString report;
        const double rate = characterErrorRate(level, &report);
        EXPECT_LE(rate, 0.05) << (level == RecognitionLevel::fast ? "fast" : "accurate") << " level\n"
                              << report.toStdString();
    }
}

TEST(TesseractTextRecognizer, linesCarryConfidenceAndBoxesWithTheOriginAtTheBottomLeft) {
    DialogueImageOptions options;
    options.lines = {QStringLiteral("明日の朝、駅の前で会いましょう。"), QStringLiteral("信じられない、夢みたいだ。")};
    options.pixelSize = 30;
    options.background = DialogueBackground::busy;
    const test::RenderedDialogue rendered = renderDialogueImage(options);
    const auto lines = sharedRecognizer().recognize(rendered.image, requestAt(RecognitionLevel::fast));
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
    ASSERT_EQ(lines->size(), 2);

    const QRectF unit(0, 0, 1, 1);
    const double width = rendered.image.width();
    const double height = rendered.image.height();
    for (int i = 0; i < 2; ++i) {
        const RecognizedLine& line = lines->at(i);
        EXPECT_EQ(comparable(line.text), comparable(options.lines[i]));
        EXPECT_GT(line.confidence, 0.5);
        EXPECT_LE(line.confidence, 1.0);
        EXPECT_TRUE(unit.contains(line.normalizedRect)) << line.normalizedRect.x() << "," << line.normalizedRect.y();
        // The box lies over the rendered ink, turned to a bottom-left origin.
        const QRect ink = rendered.lineRects[i];
        const QPointF expectedCentre(ink.center().x() / width, 1.0 - (ink.top() + ink.height() / 2.0) / height);
        EXPECT_NEAR(line.normalizedRect.center().x(), expectedCentre.x(), 0.05);
        EXPECT_NEAR(line.normalizedRect.center().y(), expectedCentre.y(), 0.08);
        EXPECT_NEAR(line.normalizedRect.height(), ink.height() / height, 0.1);
    }
    // The top line comes first, and with the origin at the bottom it has the larger y.
    EXPECT_GT(lines->at(0).normalizedRect.y(), lines->at(1).normalizedRect.bottom() - 0.01);
}

TEST(TesseractTextRecognizer, accurateLevelReadsOutlinedTextOnABrightPictureThatFoolsTheFirstReading) {
    // White text with a dark outline straight on a light sky: the outline is the smaller class, so
    // the first reading takes it for the ink and reads hollow letters. The accurate level doubts
    // that reading and reads the other way round.
    DialogueImageOptions options;
    options.style = DialogueTextStyle::outlinedOnPicture;
    options.lines = {QStringLiteral("この村には古い言い伝えがあります。")};
    options.pixelSize = 32;
    const QString expected = comparable(options.lines.first());
    int fastErrors = 0, accurateErrors = 0, characters = 0;
    for (unsigned seed : {1u, 2u, 3u}) {
        options.seed = seed;
        const QImage image = renderDialogueImage(options).image;
        const auto fast = sharedRecognizer().recognize(image, requestAt(RecognitionLevel::fast));
        const auto accurate = sharedRecognizer().recognize(image, requestAt(RecognitionLevel::accurate));
        ASSERT_TRUE(fast && accurate);
        fastErrors += levenshteinDistance(expected, comparable(joined(*fast)));
        accurateErrors += levenshteinDistance(expected, comparable(joined(*accurate)));
        characters += int(expected.size());
    }
    // Measured: well over half of the characters wrong at the fast level, about a fifth at the
    // accurate level (the outlined "の" is read as "⑳", "古" as "吉").
    EXPECT_LE(double(accurateErrors) / characters, 0.3) << accurateErrors << " of " << characters;
    EXPECT_LT(accurateErrors * 2, fastErrors) << fastErrors << " against " << accurateErrors;
}

TEST(TesseractTextRecognizer, emptyGroundGivesNoLinesAndAnEmptyImageAnError) {
    QImage blank(400, 80, QImage::Format_RGB32);
    blank.fill(QColor(20, 20, 30));
    const auto none = sharedRecognizer().recognize(blank, requestAt(RecognitionLevel::accurate));
    ASSERT_TRUE(none.has_value()) << none.error().toStdString();
    EXPECT_TRUE(none->isEmpty());

    const auto empty = sharedRecognizer().recognize(QImage(), requestAt(RecognitionLevel::fast));
    ASSERT_FALSE(empty.has_value());
    EXPECT_FALSE(empty.error().isEmpty());
}

TEST(TesseractTextRecognizer, aMissingOrBrokenModelIsAReadableErrorEveryTime) {
    QTemporaryDir empty;
    TesseractRecognizerSettings settings;
    settings.dataPath = empty.path();
    TesseractTextRecognizer recognizer(settings);
    const auto error = recognizer.start();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(QStringLiteral("jpn.traineddata"))) << error->toStdString();
    EXPECT_TRUE(error->contains(empty.path())) << error->toStdString();

    DialogueImageOptions options;
    options.lines = {QStringLiteral("それは秘密です。")};
    const QImage image = renderDialogueImage(options).image;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto lines = recognizer.recognize(image, requestAt(RecognitionLevel::fast));
        ASSERT_FALSE(lines.has_value());
        EXPECT_EQ(lines.error(), *error);
    }

    // A file of the right name that is no model.
    QFile junk(empty.filePath(QStringLiteral("jpn.traineddata")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const auto broken = recognizer.recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_FALSE(broken.has_value());
    EXPECT_FALSE(broken.error().isEmpty());

    TextRecognitionRequest unknown;
    unknown.languages = {QStringLiteral("xx-YY")};
    const auto unsupported = recognizer.recognize(image, unknown);
    ASSERT_FALSE(unsupported.has_value());
    EXPECT_TRUE(unsupported.error().contains(QStringLiteral("xx-YY")));
}

TEST(TesseractTextRecognizer, aCancelCheckAbandonsThePassAndTheEngineReadsOnAfterwards) {
    DialogueImageOptions options;
    options.lines = {QStringLiteral("昔、この町には大きな図書館があった。"), QStringLiteral("今度こそ、必ず守ってみせる。")};
    const QImage image = renderDialogueImage(options).image;
    TesseractTextRecognizer recognizer;

    // Cancelled before it starts.
    recognizer.setCancelCheck([] { return true; });
    auto lines = recognizer.recognize(image, requestAt(RecognitionLevel::accurate));
    ASSERT_FALSE(lines.has_value());
    EXPECT_TRUE(lines.error().contains(QStringLiteral("取消")));

    // Cancelled while Tesseract works through the words: it asks more than once per pass.
    int asked = 0;
    recognizer.setCancelCheck([&asked] { return ++asked > 1; });
    lines = recognizer.recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_FALSE(lines.has_value());
    EXPECT_GT(asked, 1);

    // A check that never fires, then none: both read the text.
    asked = 0;
    recognizer.setCancelCheck([&asked] {
        ++asked;
        return false;
    });
    lines = recognizer.recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_TRUE(lines.has_value());
    EXPECT_GT(asked, 1);
    recognizer.setCancelCheck(nullptr);
    lines = recognizer.recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(comparable(joined(*lines)), comparable(options.lines.join(QString())));
}

TEST(TesseractTextRecognizer, restartsForOtherWordsOrCorrectionAndKeepsReading) {
    DialogueImageOptions options;
    options.lines = {QStringLiteral("ご用意いたしました。どうぞ。")};
    options.style = DialogueTextStyle::darkOnLightBox;
    const QImage image = renderDialogueImage(options).image;
    TesseractTextRecognizer recognizer;
    TextRecognitionRequest request = requestAt(RecognitionLevel::fast);
    for (int variant = 0; variant < 3; ++variant) {
        if (variant == 1) request.customWords = {QStringLiteral("ご用意")};
        if (variant == 2) request.languageCorrection = false;
        const auto lines = recognizer.recognize(image, request);
        ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
        EXPECT_EQ(comparable(joined(*lines)), comparable(options.lines.first())) << "variant " << variant;
    }
}

TEST(TesseractTextRecognizer, eachRecognisingThreadKeepsOpenMPRegionsToItself) {
    // libgomp arrives through libtesseract; if it could not be found the recogniser would run its
    // LSTM in thread teams, several times slower on two cores.
    using GetLevels = int (*)();
    const auto getLevels = reinterpret_cast<GetLevels>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    ASSERT_NE(getLevels, nullptr);
    DialogueImageOptions options;
    options.lines = {QStringLiteral("また会えるといいな。")};
    const QImage image = renderDialogueImage(options).image;
    int before = -1, after = -1;
    bool read = false;
    std::thread worker([&] {
        before = getLevels();
        TesseractTextRecognizer recognizer;
        read = recognizer.recognize(image, requestAt(RecognitionLevel::fast)).has_value();
        after = getLevels();
    });
    worker.join();
    EXPECT_TRUE(read);
    EXPECT_GT(before, 0);
    EXPECT_EQ(after, 0);
}

TEST(TesseractTextRecognizer, namesTesseractLanguagesForRecogniserLanguages) {
    EXPECT_EQ(TesseractTextRecognizer::tesseractLanguages({"ja-JP", "en-US"}), QStringLiteral("jpn"));
    EXPECT_EQ(TesseractTextRecognizer::tesseractLanguages({"en-US"}), QStringLiteral("eng"));
    EXPECT_EQ(TesseractTextRecognizer::tesseractLanguages({"zh-Hans", "ja", "zh-Hant", "ko-KR", "fr-FR"}),
              QStringLiteral("chi_sim+jpn+chi_tra+kor"));
    EXPECT_EQ(TesseractTextRecognizer::tesseractLanguages({"xx"}), QString());
}

TEST(RemoveSpacesBetweenCJK, joinsJapaneseAndLeavesOtherSpacing) {
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("今日 は いい 天気 です ね 。")), QStringLiteral("今日はいい天気ですね。"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("「 そう か 」")), QStringLiteral("「そうか」"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("ゲーム \t を")), QStringLiteral("ゲームを"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("…… そんな")), QStringLiteral("……そんな"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("ｶﾀｶﾅ ﾃｽﾄ")), QStringLiteral("ｶﾀｶﾅﾃｽﾄ"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("𠮷 野家")), QStringLiteral("𠮷野家"));
    // Latin words and digits keep their spaces, also beside Japanese.
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("HP が 30 回復")), QStringLiteral("HP が 30 回復"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("NEW GAME")), QStringLiteral("NEW GAME"));
    // Line breaks and the ideographic space are the text's own.
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("あ\nい")), QStringLiteral("あ\nい"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral("名前\u3000台詞")), QStringLiteral("名前\u3000台詞"));
    EXPECT_EQ(removeSpacesBetweenCJK(QStringLiteral(" あ い ")), QStringLiteral(" あい "));
    EXPECT_EQ(removeSpacesBetweenCJK(QString()), QString());
}

TEST(MakeTextRecognizer, choosesTesseractOrTheNullRecognizerWithItsReason) {
    DialogueImageOptions options;
    options.lines = {QStringLiteral("それは秘密です。")};
    const QImage image = renderDialogueImage(options).image;

    qputenv("OVISU_TEXT_RECOGNIZER", "null");
    const auto disabled = makeTextRecognizer();
    qunsetenv("OVISU_TEXT_RECOGNIZER");
    ASSERT_NE(dynamic_cast<NullTextRecognizer*>(disabled.get()), nullptr);
    const auto refused = disabled->recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_FALSE(refused.has_value());
    EXPECT_TRUE(refused.error().contains(QStringLiteral("OVISU_TEXT_RECOGNIZER")));

    const auto real = makeTextRecognizer();
    ASSERT_NE(dynamic_cast<TesseractTextRecognizer*>(real.get()), nullptr);
    const auto lines = real->recognize(image, requestAt(RecognitionLevel::fast));
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
    EXPECT_EQ(comparable(joined(*lines)), comparable(options.lines.first()));
}

}  // namespace
}  // namespace ovisu
