#include "base/DialogueTranslationInput.h"
#include "dialogue/DialogueOCRLineMerger.h"
#include "dialogue/DialogueOCRNoiseFilter.h"
#include "dialogue/DialogueTextCompleteness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace ovisu {

// Readable failure messages for lists of lines.
[[maybe_unused]] static void PrintTo(const RecognizedLine& line, std::ostream* out) {
    *out << '"' << line.text.toStdString() << "\" " << line.confidence << " (" << line.normalizedRect.x() << ", "
         << line.normalizedRect.y() << ", " << line.normalizedRect.width() << ", " << line.normalizedRect.height()
         << ')';
}

namespace {

// A line whose box is given by its centre, as the cases are easiest to state that way.
RecognizedLine lineAt(const QString& text, double centreX, double centreY, double width = 0.6,
                       double height = 0.1, double confidence = 0.9) {
    return {text, confidence, QRectF(centreX - width / 2, centreY - height / 2, width, height)};
}

QStringList texts(const QList<RecognizedLine>& lines) {
    QStringList result;
    for (const RecognizedLine& line : lines)
        result.append(line.text);
    return result;
}

TEST(DialogueOCRNoiseFilterTest, DropsLinesWithoutLettersOrBelievableConfidence) {
    const QList<RecognizedLine> lines{
        lineAt(u"……"_qs, 0.5, 0.8, 0.6, 0.1, 1.0),
        lineAt(u"！？"_qs, 0.5, 0.7, 0.6, 0.1, 1.0),
        lineAt(u" 　\t"_qs, 0.5, 0.6, 0.6, 0.1, 1.0),
        lineAt(u"低い"_qs, 0.5, 0.5, 0.6, 0.1, 0.21),
        lineAt(u"境目"_qs, 0.5, 0.4, 0.6, 0.1, 0.22),
        lineAt(u"数ではない"_qs, 0.5, 0.3, 0.6, 0.1, std::nan("")),
        lineAt(u"「……はい」"_qs, 0.5, 0.2, 0.6, 0.1, 0.5),
    };
    EXPECT_EQ(texts(DialogueOCRNoiseFilter::filtered(lines)), (QStringList{u"境目"_qs, u"「……はい」"_qs}));
}

TEST(DialogueOCRNoiseFilterTest, DropsShortLabelsAtTheEdgesUnlessTheyHoldKana) {
    // A width of 0.18 is still narrow enough; the centre limits are strict.
    const struct {
        const char* text;
        double centreX, width;
        bool kept;
    } cases[] = {
        {"HP 30", 0.1, 0.1, false}, {"P.12", 0.9, 0.1, false}, {"HP 30", 0.5, 0.1, true},
        {"あ", 0.1, 0.1, true},     {"勇者", 0.1, 0.1, false}, {"HP 300", 0.1, 0.1, true},
        {"HP 30", 0.1, 0.19, true}, {"HP", 0.1, 0.18, false},  {"HP", 0.841, 0.1, false},
        {"HP", 0.839, 0.1, true},   {"HP", 0.159, 0.1, false}, {"HP", 0.161, 0.1, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DialogueOCRNoiseFilter::filtered({lineAt(QString::fromUtf8(c.text), c.centreX, 0.5, c.width)}).size(),
                  c.kept ? 1 : 0)
            << c.text << " centred at " << c.centreX << ", " << c.width << " wide";
}

TEST(DialogueOCRNoiseFilterTest, KeepsTheRecognisersTextAndOrderUntouched) {
    const QList<RecognizedLine> lines{
        lineAt(u"  ２行目  "_qs, 0.5, 0.2),
        lineAt(u"。。。そうか\r\n"_qs, 0.5, 0.8),
    };
    EXPECT_EQ(DialogueOCRNoiseFilter::filtered(lines), lines);
    EXPECT_TRUE(DialogueOCRNoiseFilter::filtered({}).isEmpty());
}

TEST(DialogueOCRLineMergerTest, ReadsTopRowFirstAndLeftToRightWithinARow) {
    // Origin bottom-left: the larger y is the upper line.
    const RecognizedLine top = lineAt(u"上の行"_qs, 0.5, 0.8);
    const RecognizedLine bottomRight = lineAt(u"右"_qs, 0.7, 0.3, 0.2);
    const RecognizedLine bottomLeft = lineAt(u"左"_qs, 0.3, 0.3, 0.2);
    EXPECT_EQ(DialogueOCRLineMerger::text({bottomRight, top, bottomLeft}), u"上の行\n左\n右"_qs);

    // A centre difference of 0.05 is within 0.55 of the taller line (0.1): one row, by left edge,
    // even though the right-hand line sits a little higher.
    const RecognizedLine leftLower = lineAt(u"前"_qs, 0.2, 0.50, 0.2, 0.1);
    const RecognizedLine rightHigher = lineAt(u"後"_qs, 0.6, 0.55, 0.2, 0.06);
    EXPECT_EQ(DialogueOCRLineMerger::text({rightHigher, leftLower}), u"前\n後"_qs);

    // Beyond 0.55 of the taller height the higher line comes first, wherever it starts.
    const RecognizedLine farLeftLower = lineAt(u"下"_qs, 0.2, 0.50, 0.2, 0.1);
    const RecognizedLine farRightHigher = lineAt(u"上"_qs, 0.8, 0.56, 0.2, 0.1);
    EXPECT_EQ(DialogueOCRLineMerger::text({farLeftLower, farRightHigher}), u"上\n下"_qs);

    EXPECT_EQ(DialogueOCRLineMerger::text({}), QString());
}

TEST(DialogueOCRLineMergerTest, EqualPlacesKeepTheirInputOrderAndTextIsNotCleaned) {
    const RecognizedLine first = lineAt(u" 一 "_qs, 0.5, 0.5);
    const RecognizedLine second = lineAt(u"二"_qs, 0.5, 0.5);
    EXPECT_EQ(DialogueOCRLineMerger::text({first, second}), u" 一 \n二"_qs);
    EXPECT_EQ(DialogueOCRLineMerger::text({second, first}), u"二\n 一 "_qs);
}

TEST(DialogueOCRLineMergerTest, ThreeLineSubtitleFromAScrambledRecogniserOrder) {
    const QList<RecognizedLine> lines{
        lineAt(u"行くぞ！"_qs, 0.45, 0.2, 0.3),
        lineAt(u"アリス"_qs, 0.1, 0.85, 0.1),
        lineAt(u"「待って、まだ"_qs, 0.5, 0.6, 0.8),
        lineAt(u"準備が」"_qs, 0.4, 0.4, 0.6),
    };
    EXPECT_EQ(DialogueOCRLineMerger::text(lines), u"アリス\n「待って、まだ\n準備が」\n行くぞ！"_qs);
    // Through the filter (the name plate holds kana and stays) and joined into one sentence.
    const QString merged = DialogueOCRLineMerger::text(DialogueOCRNoiseFilter::filtered(lines));
    EXPECT_EQ(DialogueTranslationInput::joinedForMeaning(merged), u"アリス「待って、まだ準備が」行くぞ！"_qs);
}

TEST(DialogueTextCompletenessTest, UnclosedBracketsAreCountedPerPair) {
    EXPECT_TRUE(DialogueTextCompleteness::hasUnclosedDelimiters(u"「そうか"_qs));
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(u"「そうか」"_qs));
    EXPECT_TRUE(DialogueTextCompleteness::hasUnclosedDelimiters(u"『a』「b"_qs));
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(QString()));
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(u" \n\r\n　"_qs));
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(u"」「"_qs));
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(u"そうか」」"_qs));
    EXPECT_TRUE(DialogueTextCompleteness::hasUnclosedDelimiters(u"（笑"_qs));
    EXPECT_TRUE(DialogueTextCompleteness::hasUnclosedDelimiters(u"【速報】【号外"_qs));
    EXPECT_TRUE(DialogueTextCompleteness::hasUnclosedDelimiters(u"「そう\nか」「"_qs));
    // Half-width brackets are not dialogue brackets.
    EXPECT_FALSE(DialogueTextCompleteness::hasUnclosedDelimiters(u"(笑"_qs));
}

}  // namespace
}  // namespace ovisu
