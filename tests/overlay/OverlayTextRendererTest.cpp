#include "overlay/OverlayTextRenderer.h"
#include "history/TranslationHistoryText.h"

#include <gtest/gtest.h>

using namespace ovisu;
using Kind = OverlayTextRun::Kind;

namespace {

TranslationHistoryRecord entry(const QString& original, const QString& translation, std::optional<double> duration,
                               int minute = 0) {
    return {QUuid::createUuid(), QDateTime(QDate(2026, 3, 4), QTime(21, minute, 5)), original, translation,
            QStringLiteral("DeepL"), duration};
}

QList<Kind> kinds(const OverlayText& text) {
    QList<Kind> out;
    for (const auto& run : text.runs) out << run.kind;
    return out;
}

}  // namespace

TEST(OverlayTextRendererTest, EntriesHaveMetadataOriginalAndTranslation) {
    OverlayAppearance a;
    a.textColor = QColor::fromRgbF(1.0f, 0.92f, 0.95f);
    a.originalOpacity = 0.66;
    const QList<TranslationHistoryRecord> entries{entry("一つ目", "第一句", 1.5), entry("二つ目", "第二句", std::nullopt, 1)};
    const OverlayText text = OverlayTextRenderer::render(entries, a);
    EXPECT_EQ(kinds(text), (QList<Kind>{Kind::metadata, Kind::original, Kind::translation, Kind::separator, Kind::metadata,
                                        Kind::original, Kind::translation}));
    const QString time1 = historyTimeText(entries[0].createdAt);
    const QString time2 = historyTimeText(entries[1].createdAt);
    EXPECT_EQ(text.plainText(), time1 + " · DeepL · 耗时 1.50 秒\n一つ目\n第一句\n" + time2 + " · DeepL\n二つ目\n第二句");
    EXPECT_EQ(time1, "2026-03-04 21:00:05");

    const auto& metadata = text.runs[0];
    EXPECT_EQ(metadata.font.pixelSize(), 12);
    EXPECT_EQ(metadata.font.weight(), QFont::Normal);
    EXPECT_NEAR(metadata.color.alphaF(), 0.52, 1e-3);
    EXPECT_EQ(metadata.color.rgb(), a.textColor.rgb());
    const auto& original = text.runs[1];
    EXPECT_EQ(original.font.pixelSize(), 15);  // 24 × 0.62 = 14.88
    EXPECT_NEAR(original.color.alphaF(), 0.66, 1e-3);
    const auto& translation = text.runs[2];
    EXPECT_EQ(translation.font.pixelSize(), 24);
    EXPECT_EQ(translation.font.weight(), QFont::DemiBold);
    EXPECT_EQ(translation.color, a.textColor);
    // With nothing translated yet, one placeholder run in the translation's look.
    const OverlayText placeholder = OverlayTextRenderer::render({}, a);
    ASSERT_EQ(placeholder.runs.size(), 1);
    EXPECT_EQ(placeholder.runs[0].font, translation.font);
    EXPECT_EQ(placeholder.runs[0].color, a.textColor);

    // Small fonts keep readable minimums.
    a.fontSize = 12;
    const OverlayText small = OverlayTextRenderer::render(entries, a);
    EXPECT_EQ(small.runs[0].font.pixelSize(), 10);
    EXPECT_EQ(small.runs[1].font.pixelSize(), 12);
}

TEST(OverlayTextRendererTest, SettingsDecideWhatEachEntryShows) {
    OverlayAppearance a;
    const QList<TranslationHistoryRecord> entries{entry("一", "甲", 0.004), entry("二", "乙", 2.0), entry("三", "丙", std::nullopt)};

    a.compactMode = true;
    const OverlayText compact = OverlayTextRenderer::render(entries, a);
    EXPECT_EQ(kinds(compact), (QList<Kind>{Kind::metadata, Kind::original, Kind::translation}));
    EXPECT_TRUE(compact.plainText().endsWith("三\n丙"));

    a.compactMode = false;
    a.showsMetadata = false;
    a.showsOriginal = false;
    EXPECT_EQ(OverlayTextRenderer::metadataLine(entries[0], a), "耗时 <0.01 秒");
    EXPECT_FALSE(OverlayTextRenderer::metadataLine(entries[2], a)) << "no parts, no line";
    EXPECT_EQ(OverlayTextRenderer::render(entries, a).plainText(), "耗时 <0.01 秒\n甲\n耗时 2.00 秒\n乙\n丙");

    a.showsDuration = false;
    EXPECT_EQ(OverlayTextRenderer::render(entries, a).plainText(), "甲\n乙\n丙");
    a.showsMetadata = true;
    EXPECT_EQ(OverlayTextRenderer::metadataLine(entries[1], a), historyTimeText(entries[1].createdAt) + " · DeepL");
}

TEST(OverlayTextRendererTest, ParagraphValuesFollowFontSizeAndSpacing) {
    OverlayAppearance a;
    a.alignment = 5;
    a.fontSize = 25;
    a.lineSpacing = 1.08;
    const OverlayParagraphStyle style = OverlayTextRenderer::paragraphStyle(a);
    EXPECT_EQ(style.alignment, 2);
    EXPECT_DOUBLE_EQ(style.lineSpacing, 25 * 0.12 * 1.08);
    EXPECT_DOUBLE_EQ(style.paragraphSpacing, 25 * 0.42 * 1.08);
    a.fontSize = 12;
    a.lineSpacing = 0.7;
    const OverlayParagraphStyle tight = OverlayTextRenderer::paragraphStyle(a);
    EXPECT_NEAR(tight.lineSpacing, 1.008, 1e-9);
    EXPECT_DOUBLE_EQ(tight.paragraphSpacing, 6);
    a.fontSize = 10;
    EXPECT_DOUBLE_EQ(OverlayTextRenderer::paragraphStyle(a).lineSpacing, 1);
}
