#include "dialogue/DialogueRecognition.h"

#include "base/AppLogger.h"

#include "support/QtPrinters.h"

#include <QColor>
#include <QMap>
#include <QPainter>
#include <gtest/gtest.h>

#include <deque>

namespace ovisu {
namespace {

// Answers each level from its own script of prepared results and remembers every request and
// the size of every image it was shown.
class ScriptedTextRecognizer final : public TextRecognizer {
public:
    using Answer = std::expected<QList<RecognizedLine>, QString>;

    void script(RecognitionLevel level, Answer answer) { m_answers[level].push_back(std::move(answer)); }

    std::expected<QList<RecognizedLine>, QString> recognize(const QImage& image,
                                                             const TextRecognitionRequest& request) override {
        requests.append(request);
        imageSizes.append(image.size());
        std::deque<Answer>& answers = m_answers[request.level];
        if (answers.empty())
            return std::unexpected(u"nothing scripted for this level"_qs);
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QList<RecognitionLevel> levels() const {
        QList<RecognitionLevel> result;
        for (const TextRecognitionRequest& request : requests)
            result.append(request.level);
        return result;
    }

    QList<TextRecognitionRequest> requests;
    QList<QSize> imageSizes;

private:
    QMap<RecognitionLevel, std::deque<Answer>> m_answers;
};

RecognizedLine line(const QString& text, double confidence, double centreY = 0.5) {
    return {text, confidence, QRectF(0.2, centreY - 0.05, 0.6, 0.1)};
}

QImage solidImage(int width, int height, QColor colour = Qt::white) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

qsizetype retryLogLines() {
    return AppLogger::shared().combinedText().count(u"[ocr] 快速识别质量不足，自动改用高精度 OCR 重试"_qs);
}

TEST(DialogueRecognitionTest, SmallImagesAreEnlargedToNineHundredSixtyPixelsAtMostThreefold) {
    struct Case {
        QSize input;
        QSize expected;
    };
    const QList<Case> cases{
        {{959, 100}, {960, 100}}, {{959, 333}, {960, 333}}, {{200, 50}, {600, 150}},
        {{200, 33}, {600, 99}},   {{320, 41}, {960, 123}},  {{1, 1}, {3, 3}},
        {{480, 1}, {960, 2}},
    };
    for (const Case& testCase : cases) {
        const QImage enlarged = DialogueRecognition::upscaledOCRImage(solidImage(testCase.input.width(),
                                                                                 testCase.input.height()));
        EXPECT_EQ(enlarged.size(), testCase.expected) << testCase.input.width() << "x" << testCase.input.height();
        EXPECT_EQ(enlarged.format(), QImage::Format_RGB32);
    }

    for (const int width : {960, 1920}) {
        const QImage wide = solidImage(width, 40);
        const QImage result = DialogueRecognition::upscaledOCRImage(wide);
        EXPECT_EQ(result.cacheKey(), wide.cacheKey()) << width;
    }
    EXPECT_TRUE(DialogueRecognition::upscaledOCRImage(QImage()).isNull());
}

TEST(DialogueRecognitionTest, EnlargementIsSmoothAndKeepsThePicture) {
    // Left half black, right half white: smooth scaling leaves grey at the seam, where a
    // nearest-pixel enlargement would jump from black to white.
    QImage image(100, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, 50, 10, Qt::black);
    }
    const QImage enlarged = DialogueRecognition::upscaledOCRImage(image);
    ASSERT_EQ(enlarged.size(), QSize(300, 30));
    EXPECT_EQ(QColor(enlarged.pixel(2, 15)), QColor(Qt::black));
    EXPECT_EQ(QColor(enlarged.pixel(297, 15)), QColor(Qt::white));
    bool sawGrey = false;
    for (int x = 140; x < 160; ++x) {
        const int grey = qGray(enlarged.pixel(x, 15));
        sawGrey = sawGrey || (grey > 20 && grey < 235);
    }
    EXPECT_TRUE(sawGrey);

    // An image with transparency comes out opaque RGB, transparent areas black.
    QImage translucent(100, 10, QImage::Format_ARGB32);
    translucent.fill(Qt::transparent);
    {
        QPainter painter(&translucent);
        painter.fillRect(50, 0, 50, 10, QColor(255, 0, 0));
    }
    const QImage opaque = DialogueRecognition::upscaledOCRImage(translucent);
    EXPECT_EQ(opaque.format(), QImage::Format_RGB32);
    EXPECT_EQ(QColor(opaque.pixel(2, 15)), QColor(Qt::black));
    EXPECT_EQ(QColor(opaque.pixel(297, 15)), QColor(255, 0, 0));
}

TEST(DialogueRecognitionTest, OnePassAsksWithTheDialogueSettingsAndAssemblesTheLines) {
    ScriptedTextRecognizer recognizer;
    recognizer.script(RecognitionLevel::accurate,
                      QList<RecognizedLine>{
                          line(u"いい天気ですね」"_qs, 0.7, 0.3),
                          line(u"……"_qs, 0.99, 0.5),  // punctuation only: dropped, not counted
                          line(u"「今日は"_qs, 0.9, 0.7),
                          line(u"ノイズ"_qs, 0.1, 0.9),  // too unsure: dropped, not counted
                      });
    const auto result =
        DialogueRecognition::performDialogueRecognition(recognizer, solidImage(960, 80), RecognitionLevel::accurate);
    ASSERT_TRUE(result.has_value()) << result.error().toStdString();
    EXPECT_EQ(result->text, u"「今日は\nいい天気ですね」"_qs);
    EXPECT_DOUBLE_EQ(result->confidence, 0.8);

    ASSERT_EQ(recognizer.requests.size(), 1);
    const TextRecognitionRequest& request = recognizer.requests.constFirst();
    EXPECT_EQ(request.level, RecognitionLevel::accurate);
    EXPECT_EQ(request.languages, (QStringList{u"ja-JP"_qs, u"en-US"_qs}));
    EXPECT_TRUE(request.languageCorrection);
    EXPECT_EQ(request.customWords, DialogueRecognition::customWords());
}

// The crop's margins reach past the region the player drew: a game's quick menu just under the
// box is read there, and must not join the dialogue.
TEST(DialogueRecognitionTest, LinesOutsideTheSelectedAreaOfTheCropAreDropped) {
    ScriptedTextRecognizer recognizer;
    const QList<RecognizedLine> lines{line(u"今日はいい天気ですね。"_qs, 0.9, 0.6), line(u"セーブ ロード 設定"_qs, 0.9, 0.05)};
    recognizer.script(RecognitionLevel::fast, lines);
    recognizer.script(RecognitionLevel::fast, lines);
    const QRectF area(0.02, 0.13, 0.96, 0.8);
    const auto inside =
        DialogueRecognition::performDialogueRecognition(recognizer, solidImage(960, 80), RecognitionLevel::fast, area);
    ASSERT_TRUE(inside.has_value());
    EXPECT_EQ(inside->text, u"今日はいい天気ですね。"_qs);
    const auto everything =
        DialogueRecognition::performDialogueRecognition(recognizer, solidImage(960, 80), RecognitionLevel::fast);
    EXPECT_EQ(everything->text, u"今日はいい天気ですね。\nセーブ ロード 設定"_qs);
}

TEST(DialogueRecognitionTest, OnePassWithNothingLeftOrAFailure) {
    ScriptedTextRecognizer recognizer;
    recognizer.script(RecognitionLevel::fast, QList<RecognizedLine>{line(u"！？"_qs, 0.9)});
    recognizer.script(RecognitionLevel::fast, QList<RecognizedLine>{});
    recognizer.script(RecognitionLevel::fast, std::unexpected(u"模型文件缺失"_qs));

    for (int pass = 0; pass < 2; ++pass) {
        const auto empty =
            DialogueRecognition::performDialogueRecognition(recognizer, solidImage(960, 80), RecognitionLevel::fast);
        ASSERT_TRUE(empty.has_value());
        EXPECT_EQ(*empty, (DialogueRecognitionResult{QString(), 0.0}));
    }
    const auto failed =
        DialogueRecognition::performDialogueRecognition(recognizer, solidImage(960, 80), RecognitionLevel::fast);
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error(), u"模型文件缺失"_qs);
}

TEST(DialogueRecognitionTest, DoubtfulFastResultsAreReadAgain) {
    // The gate does not accept it.
    EXPECT_TRUE(DialogueRecognition::shouldRetryAccurately(u"こんにちは"_qs, 0.27));
    // Accepted, but a bracket is open or the sentence goes on, also across a line break.
    EXPECT_TRUE(DialogueRecognition::shouldRetryAccurately(u"「そうか"_qs, 0.9));
    EXPECT_TRUE(DialogueRecognition::shouldRetryAccurately(u"それで、"_qs, 0.9));
    EXPECT_TRUE(DialogueRecognition::shouldRetryAccurately(u"一緒に行こう\nと"_qs, 0.9));
    EXPECT_TRUE(DialogueRecognition::shouldRetryAccurately(u"お茶をご用意  \n"_qs, 0.9));

    // Complete, confident sentences are kept.
    EXPECT_FALSE(DialogueRecognition::shouldRetryAccurately(u"そうか。"_qs, 0.9));
    EXPECT_FALSE(DialogueRecognition::shouldRetryAccurately(u"「そうか」"_qs, 0.9));
    EXPECT_FALSE(DialogueRecognition::shouldRetryAccurately(u"行こうと。"_qs, 0.9));
    EXPECT_FALSE(DialogueRecognition::shouldRetryAccurately(u"それで、\nどうする？"_qs, 0.9));
    EXPECT_FALSE(DialogueRecognition::shouldRetryAccurately(u"ありがとう"_qs, 0.28));
}

TEST(DialogueRecognitionTest, AGoodFastResultIsDeliveredAfterOnePassADoubtfulOneIsReplaced) {
    ScriptedTextRecognizer good;
    good.script(RecognitionLevel::fast, QList<RecognizedLine>{line(u"そうか。"_qs, 0.9)});
    const qsizetype logLinesBefore = retryLogLines();
    const auto kept = DialogueRecognition::recognizeFastThenAccurate(good, solidImage(200, 40), false);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(*kept, (DialogueRecognitionResult{u"そうか。"_qs, 0.9}));
    EXPECT_EQ(good.levels(), QList<RecognitionLevel>{RecognitionLevel::fast});
    EXPECT_EQ(good.imageSizes, QList<QSize>{QSize(600, 120)});
    EXPECT_EQ(retryLogLines(), logLinesBefore);

    ScriptedTextRecognizer doubtful;
    doubtful.script(RecognitionLevel::fast, QList<RecognizedLine>{line(u"こんにちは"_qs, 0.27)});
    doubtful.script(RecognitionLevel::accurate, QList<RecognizedLine>{line(u"それで、どうする？"_qs, 0.6)});
    const auto replaced = DialogueRecognition::recognizeFastThenAccurate(doubtful, solidImage(959, 50), false);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(*replaced, (DialogueRecognitionResult{u"それで、どうする？"_qs, 0.6}));
    EXPECT_EQ(doubtful.levels(), (QList<RecognitionLevel>{RecognitionLevel::fast, RecognitionLevel::accurate}));
    EXPECT_EQ(doubtful.imageSizes, (QList<QSize>{QSize(960, 50), QSize(960, 50)}));
    EXPECT_EQ(retryLogLines(), logLinesBefore + 1);
}

TEST(DialogueRecognitionTest, TheAccurateRetryDecidesEvenWhenItIsWorseOrFails) {
    ScriptedTextRecognizer recognizer;
    recognizer.script(RecognitionLevel::fast, QList<RecognizedLine>{line(u"それで、"_qs, 0.9)});
    recognizer.script(RecognitionLevel::accurate, QList<RecognizedLine>{});
    const auto empty = DialogueRecognition::recognizeFastThenAccurate(recognizer, solidImage(960, 50), false);
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(*empty, (DialogueRecognitionResult{QString(), 0.0}));

    recognizer.script(RecognitionLevel::fast, QList<RecognizedLine>{line(u"それで、"_qs, 0.9)});
    recognizer.script(RecognitionLevel::accurate, std::unexpected(u"识别被取消"_qs));
    const auto failed = DialogueRecognition::recognizeFastThenAccurate(recognizer, solidImage(960, 50), false);
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error(), u"识别被取消"_qs);

    // A failed fast pass is not retried.
    ScriptedTextRecognizer broken;
    broken.script(RecognitionLevel::fast, std::unexpected(u"图像无效"_qs));
    broken.script(RecognitionLevel::accurate, QList<RecognizedLine>{line(u"そうか。"_qs, 0.9)});
    const auto notRetried = DialogueRecognition::recognizeFastThenAccurate(broken, solidImage(960, 50), false);
    ASSERT_FALSE(notRetried.has_value());
    EXPECT_EQ(notRetried.error(), u"图像无效"_qs);
    EXPECT_EQ(broken.levels(), QList<RecognitionLevel>{RecognitionLevel::fast});
}

TEST(DialogueRecognitionTest, AManualReadingIsAccurateAtOnceAndNeverRetried) {
    ScriptedTextRecognizer recognizer;
    recognizer.script(RecognitionLevel::accurate, QList<RecognizedLine>{line(u"それで、"_qs, 0.3)});
    recognizer.script(RecognitionLevel::accurate, QList<RecognizedLine>{line(u"使われない"_qs, 0.9)});
    const qsizetype logLinesBefore = retryLogLines();

    const auto result = DialogueRecognition::recognizeFastThenAccurate(recognizer, solidImage(960, 50), true);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, (DialogueRecognitionResult{u"それで、"_qs, 0.3}));
    EXPECT_EQ(recognizer.levels(), QList<RecognitionLevel>{RecognitionLevel::accurate});
    EXPECT_EQ(retryLogLines(), logLinesBefore);

    ScriptedTextRecognizer failing;
    failing.script(RecognitionLevel::accurate, std::unexpected(u"图像无效"_qs));
    const auto failed = DialogueRecognition::recognizeFastThenAccurate(failing, solidImage(960, 50), true);
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error(), u"图像无效"_qs);
    EXPECT_EQ(failing.levels(), QList<RecognitionLevel>{RecognitionLevel::accurate});
}

}  // namespace
}  // namespace ovisu
