#include "capture/InterfaceScreenScore.h"
#include "capture/platform/NullTextRecognizer.h"
#include "capture/platform/WindowTextRecognizer.h"
#include "support/TestFiles.h"
#include "support/TestGameMenu.h"

#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace ovisu {
namespace {

using test::InterfaceScreenScore;

const QString kCorpus = QStringLiteral(OVISU_INTERFACE_CORPUS_DIR);

// Every test here needs the real detector; without it they fail saying what to do.
#define REQUIRE_DETECTOR_MODEL()                                                                        \
    ASSERT_TRUE(QFileInfo(WindowTextRecognizer::defaultModelPath()).isReadable())                      \
        << "the text detection model is missing (" << WindowTextRecognizer::defaultModelPath().toStdString() \
        << "): run scripts/install-deps.sh, then build again"

QStringList expectedWords(const QString& screen) {
    QString error;
    const QStringList words = test::expectedScreenWords(kCorpus, &error).value(screen);
    EXPECT_FALSE(words.isEmpty()) << "no words for " << screen.toStdString() << " " << error.toStdString();
    return words;
}

std::string describe(const QList<RecognizedLine>& lines) {
    QString text;
    for (const RecognizedLine& line : lines) text += QStringLiteral("[%1] ").arg(line.text);
    return text.toStdString();
}

// Where a word stands on the screen, as a point in normalised coordinates with the origin at the
// bottom-left, from its pixel position (top-left origin) in a 1280 x 720 window.
QPointF bottomLeft(double x, double y) {
    return {x / 1280.0, 1.0 - y / 720.0};
}

TEST(WindowTextRecognizer, findsEveryMenuWordOfTheRenpyMainMenuWhereItStands) {
    REQUIRE_DETECTOR_MODEL();
    const QImage screen(kCorpus + QStringLiteral("/renpy-main-menu.png"));
    ASSERT_FALSE(screen.isNull());
    WindowTextRecognizer recognizer;
    const auto lines = recognizer.recognize(screen, {});
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();

    // Light words on a dark translucent panel over a photograph: the case Tesseract alone misses.
    const QStringList words = expectedWords(QStringLiteral("renpy-main-menu.png"));
    const InterfaceScreenScore score = test::scoreScreen(*lines, words);
    for (const QString& word : words.mid(0, 6)) EXPECT_TRUE(score.found.contains(word)) << word.toStdString() << " in " << describe(*lines);
    EXPECT_LE(score.junk.size(), 1) << describe(score.junk);

    // The first and the last menu word, at their places in the column: the top one higher up,
    // which with the origin at the bottom means a larger y.
    ASSERT_TRUE(score.lineOf.contains(QStringLiteral("スタート")) && score.lineOf.contains(QStringLiteral("終了")));
    const QRectF start = score.lineOf.value(QStringLiteral("スタート")).normalizedRect;
    const QRectF quit = score.lineOf.value(QStringLiteral("終了")).normalizedRect;
    EXPECT_TRUE(start.contains(bottomLeft(92, 252))) << start.x() << " " << start.y();
    EXPECT_TRUE(quit.contains(bottomLeft(66, 467))) << quit.x() << " " << quit.y();
    EXPECT_LT(start.height(), 0.08);
    for (const RecognizedLine& line : *lines) EXPECT_TRUE(line.confidence > 0.0 && line.confidence <= 1.0) << line.confidence;
}

TEST(WindowTextRecognizer, readsTheDialogueAndTheSmallQuickMenuUnderTheBox) {
    REQUIRE_DETECTOR_MODEL();
    const QImage screen(kCorpus + QStringLiteral("/renpy-dialogue.png"));
    ASSERT_FALSE(screen.isNull());
    WindowTextRecognizer recognizer;
    const auto lines = recognizer.recognize(screen, {});
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
    const QStringList words = expectedWords(QStringLiteral("renpy-dialogue.png"));
    const InterfaceScreenScore score = test::scoreScreen(*lines, words);
    // The speaker and the second line of the box are read whole.
    EXPECT_TRUE(score.found.contains(QStringLiteral("エイリーン"))) << describe(*lines);
    EXPECT_TRUE(score.found.contains(QStringLiteral("したいと思います。"))) << describe(*lines);
    // The quick menu's 12-pixel words, white and greyed out, are seen only from close up.
    const QStringList quickMenu = words.mid(0, 8);
    const auto quickFound = std::count_if(quickMenu.begin(), quickMenu.end(),
                                          [&](const QString& word) { return score.found.contains(word); });
    EXPECT_GE(quickFound, 7) << describe(*lines);
    EXPECT_LE(score.junk.size(), 1) << describe(score.junk);
    ASSERT_TRUE(score.lineOf.contains(QStringLiteral("設定")));
    EXPECT_TRUE(score.lineOf.value(QStringLiteral("設定")).normalizedRect.contains(bottomLeft(911, 710)));
}

// The test game's title screen as captured from its window (the live capture is the e2e suite's).
TEST(WindowTextRecognizer, findsEveryTextOfTheTestGameMenuScreen) {
    REQUIRE_DETECTOR_MODEL();
    const QImage screen(kCorpus + QStringLiteral("/test-game-menu.png"));
    ASSERT_EQ(screen.size(), QSize(1280, 720));
    WindowTextRecognizer recognizer;
    const auto lines = recognizer.recognize(screen, {});
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
    const InterfaceScreenScore score = test::scoreScreen(*lines, test::TestGameMenu::titleScreenTexts());
    EXPECT_TRUE(score.missed.isEmpty()) << score.missed.join(QStringLiteral(" | ")).toStdString() << " in "
                                        << describe(*lines);
    EXPECT_LE(score.junk.size(), 1) << describe(score.junk);
    // The light buttons at the bottom right, dark text on a light ground, each in its own box.
    ASSERT_TRUE(score.lineOf.contains(QStringLiteral("決定")) && score.lineOf.contains(QStringLiteral("戻る")));
    const QRectF confirm = score.lineOf.value(QStringLiteral("決定")).normalizedRect;
    const QRectF back = score.lineOf.value(QStringLiteral("戻る")).normalizedRect;
    EXPECT_TRUE(confirm.contains(bottomLeft(880, 607)));
    EXPECT_TRUE(back.contains(bottomLeft(1092, 607)));
    EXPECT_FALSE(confirm.intersects(back));
}

// The network was trained on dark text on light grounds; the window is turned round where it is
// dark. Light and dark words on dark, middle and light flat grounds are all found, the middle grey
// being where the turning round is half done.
TEST(WindowTextRecognizer, findsLightAndDarkWordsOnDarkMiddleAndLightGrounds) {
    REQUIRE_DETECTOR_MODEL();
    WindowTextRecognizer recognizer;
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(24);
    for (const int ground : {40, 128, 220}) {
        for (const int ink : {250, 20}) {
            QImage window(1280, 720, QImage::Format_RGB888);
            window.fill(QColor(ground, ground, ground));
            QPainter painter(&window);
            painter.setFont(font);
            painter.setPen(QColor(ink, ink, ink));
            painter.drawText(QPoint(200, 300), QStringLiteral("はじめから"));
            painter.drawText(QPoint(900, 600), QStringLiteral("音楽の音量"));
            painter.end();
            const auto lines = recognizer.recognize(window, {});
            ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
            const InterfaceScreenScore score =
                test::scoreScreen(*lines, {QStringLiteral("はじめから"), QStringLiteral("音楽の音量")});
            EXPECT_TRUE(score.missed.isEmpty()) << "ground " << ground << ", ink " << ink << ": " << describe(*lines);
            EXPECT_TRUE(score.junk.isEmpty()) << "ground " << ground << ", ink " << ink << ": " << describe(*lines);
        }
    }
}

// OpenCV 4.6 folded the layers after the model's ConvTranspose into it again whenever the input
// size changed, after which the detector found nothing; the rewritten model leaves it nothing to fold.
TEST(WindowTextRecognizer, theDetectorFindsTheSameLinesAfterLookingAtAnotherSize) {
    REQUIRE_DETECTOR_MODEL();
    const QImage screen(kCorpus + QStringLiteral("/test-game-menu.png"));
    ASSERT_FALSE(screen.isNull());
    auto detector = TextLineDetector::load(WindowTextRecognizer::defaultModelPath());
    ASSERT_TRUE(detector.has_value()) << detector.error().toStdString();
    const QImage turned = WindowTextRecognizer::localPolarityImage(screen);
    const auto first = (*detector)->detect(turned, 1);
    ASSERT_TRUE(first.has_value()) << first.error().toStdString();
    ASSERT_GE(first->size(), 9);
    ASSERT_TRUE((*detector)->detect(turned.copy(600, 20, 640, 90), 2).has_value());
    const auto again = (*detector)->detect(turned, 1);
    ASSERT_TRUE(again.has_value()) << again.error().toStdString();
    ASSERT_EQ(again->size(), first->size());
    for (qsizetype i = 0; i < first->size(); ++i) EXPECT_EQ((*again)[i].box, (*first)[i].box);
}

TEST(WindowTextRecognizer, aCancelCheckStopsBetweenLinesAndLaterRequestsReadAgain) {
    REQUIRE_DETECTOR_MODEL();
    const QImage screen(kCorpus + QStringLiteral("/test-game-menu.png"));
    WindowTextRecognizer recognizer;
    int asked = 0;
    // Asked before the detector pass and before each line: a "yes" at the third question stops
    // the recognition after the first line.
    recognizer.setCancelCheck([&] { return ++asked >= 3; });
    const auto cancelled = recognizer.recognize(screen, {});
    ASSERT_FALSE(cancelled.has_value());
    EXPECT_EQ(cancelled.error(), QStringLiteral("文字识别已取消"));
    EXPECT_EQ(asked, 3);

    recognizer.setCancelCheck({});
    const auto lines = recognizer.recognize(screen, {});
    ASSERT_TRUE(lines.has_value()) << lines.error().toStdString();
    EXPECT_GE(lines->size(), 9);
    // With the model there, the factory gives this recogniser.
    EXPECT_NE(dynamic_cast<WindowTextRecognizer*>(makeWindowTextRecognizer().get()), nullptr);
}

TEST(WindowTextRecognizer, aMissingOrUnreadableModelIsAReasonNotACrash) {
    const QImage screen(kCorpus + QStringLiteral("/test-game-menu.png"));
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("text-detector.onnx"));

    // The factory looks for the model at once and answers every request with what to do.
    qputenv("OVISU_TEXT_DETECTOR_MODEL", missing.toUtf8());
    const auto absent = makeWindowTextRecognizer();
    qunsetenv("OVISU_TEXT_DETECTOR_MODEL");
    ASSERT_NE(dynamic_cast<NullTextRecognizer*>(absent.get()), nullptr);
    for (int i = 0; i < 2; ++i) {
        const auto refused = absent->recognize(screen, {});
        ASSERT_FALSE(refused.has_value());
        EXPECT_TRUE(refused.error().contains(missing)) << refused.error().toStdString();
        EXPECT_TRUE(refused.error().contains(QStringLiteral("scripts/install-deps.sh"))) << refused.error().toStdString();
    }

    qputenv("OVISU_TEXT_RECOGNIZER", "null");
    const auto disabled = makeWindowTextRecognizer();
    qunsetenv("OVISU_TEXT_RECOGNIZER");
    ASSERT_NE(dynamic_cast<NullTextRecognizer*>(disabled.get()), nullptr);
    EXPECT_TRUE(disabled->recognize(screen, {}).error().contains(QStringLiteral("OVISU_TEXT_RECOGNIZER")));

    // A file that is no model: OpenCV's complaint comes back as the error of each request.
    test::writeBytes(missing, "not a network");
    WindowTextRecognizerSettings settings;
    settings.modelPath = missing;
    WindowTextRecognizer unreadable(settings);
    for (int i = 0; i < 2; ++i) {
        const auto failed = unreadable.recognize(screen, {});
        ASSERT_FALSE(failed.has_value());
        EXPECT_TRUE(failed.error().contains(QStringLiteral("无法载入"))) << failed.error().toStdString();
    }
    EXPECT_FALSE(unreadable.recognize(QImage(), {}).has_value());
}

}  // namespace
}  // namespace ovisu
