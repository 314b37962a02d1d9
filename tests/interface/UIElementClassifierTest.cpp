#include "base/SettingsStore.h"
#include "interface/UIElementClassifier.h"
#include "interface/UIOCRTextBlock.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace ovisu {
namespace {

TEST(UIElementClassifierTest, TestsRunInTheirOrderAndTheFirstMatchWins) {
    struct Case {
        const char* text;
        UIElementKind kind;
    };
    const Case cases[] = {
        // A date beats a menu word; one weekday character anywhere is enough.
        {"2024/03/05", UIElementKind::date},
        {"12:30", UIElementKind::date},
        {"月の設定", UIElementKind::date},
        // Menu words are matched on comparison forms: SAVE DATA holds "save", セーブ holds no menu word.
        {"SAVE DATA", UIElementKind::menu},
        {"セーブ", UIElementKind::text},
        {"「設定」", UIElementKind::menu},
        // Button words count only in texts of at most 12 characters.
        {"OK", UIElementKind::button},
        {"ok ok ok ok!", UIElementKind::button},
        {"okay, look here", UIElementKind::text},
        {"hp: 120 ok ok ok", UIElementKind::attribute},  // status values, case-insensitively
        {"今日はいい天気ですね、本当に", UIElementKind::text},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UIElementClassifier::classify(QString::fromUtf8(c.text)), c.kind) << c.text;
}

TEST(UIElementClassifierTest, BlockKeysRoundHalvesAwayFromZeroAndPanelKeysIgnoreTheText) {
    const UIOCRTextBlock block{QStringLiteral("「設定」 "), QRectF(0.0625, 0.2025, 0.1, 0.0175), 0.9f};
    // 0.0625 × 200 = 12.5 → 13; 0.2025 × 200 = 40.5 → 41; 0.0175 × 200 = 3.5 → 4.
    EXPECT_EQ(interfaceBlockKey(block), QStringLiteral("設定|13:41:20:4"));
    EXPECT_EQ(interfacePanelKey(block), QStringLiteral("6:20:10:2"));

    // Readings of the same text that move by less than 1/200 of the window keep their key.
    const UIOCRTextBlock first{QStringLiteral("設定"), QRectF(0.3, 0.5, 0.1, 0.02), 0.9f};
    UIOCRTextBlock nudged = first;
    nudged.normalizedRect.translate(0.001, -0.001);
    EXPECT_EQ(interfaceBlockKey(nudged), interfaceBlockKey(first));

    UIOCRTextBlock punctuation = block;
    punctuation.text = QStringLiteral("……！");
    EXPECT_TRUE(interfaceBlockKey(punctuation).isEmpty());
    EXPECT_EQ(interfacePanelKey(punctuation), interfacePanelKey(block));
}

TEST(UIElementClassifierTest, EnabledKindsAreNeverReadAsAnEmptySet) {
    SettingsStore settings;
    EXPECT_EQ(storedEnabledUIElementKinds(settings).size(), 5u);

    ASSERT_TRUE(settings.setArray(QStringLiteral("enabledUIElementKinds"), QJsonArray{"nonsense", 3}));
    EXPECT_EQ(storedEnabledUIElementKinds(settings).size(), 5u);

    ASSERT_TRUE(storeEnabledUIElementKinds(settings, {UIElementKind::text, UIElementKind::button}));
    EXPECT_EQ(settings.arrayValue(QStringLiteral("enabledUIElementKinds")), (QJsonArray{"button", "text"}));
    EXPECT_EQ(storedEnabledUIElementKinds(settings), (UIElementKindSet{UIElementKind::button, UIElementKind::text}));
}

}  // namespace
}  // namespace ovisu
