#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/OverlayAppearance.h"
#include "overlay/StoredColor.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace ovisu;
namespace K = SettingsKeys;

TEST(StoredColorTest, ColoursSurviveStorageAndBadValuesReadAsTheBuiltIn) {
    SettingsStore settings;
    const QColor odd = QColor::fromRgbF(0.123f, 0.456f, 0.789f, 0.321f);
    ASSERT_TRUE(StoredColor::write(settings, K::textColor, odd));
    SettingsStore reread(settings.filePath());
    EXPECT_EQ(StoredColor::read(reread, K::textColor, Qt::red), odd);
    EXPECT_EQ(StoredColor::read(reread, K::backgroundColor, Qt::red), QColor(Qt::red)) << "missing";

    const QColor builtIn = StoredColor::overlayBackgroundColor();
    for (const char* json : {R"({"red":0.5,"green":0.5,"blue":0.5})", R"({"red":0.5,"green":0.5,"blue":1.5,"alpha":1})",
                             R"({"red":"0.5","green":0.5,"blue":0.5,"alpha":1})", R"([0.5,0.5,0.5,1])"}) {
        const QJsonDocument document = QJsonDocument::fromJson(json);
        const QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        ASSERT_TRUE(settings.setValue(K::backgroundColor, value));
        EXPECT_EQ(StoredColor::read(settings, K::backgroundColor, builtIn), builtIn) << json;
    }
    ASSERT_TRUE(settings.setString(K::backgroundColor, "#ff0000"));
    EXPECT_EQ(restoreColors(settings).backgroundColor, builtIn);
    EXPECT_EQ(restoreColors(settings).textColor, odd);
}

TEST(OverlayAppearanceTest, DefaultsClampsAndSteps) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setInt(K::overlayAlignment, 7));
    EXPECT_EQ(OverlayAppearance::read(settings).alignment, 2);
    ASSERT_TRUE(settings.setInt(K::overlayAlignment, -3));
    EXPECT_EQ(OverlayAppearance::read(settings).alignment, 0);
    ASSERT_TRUE(settings.setString(K::overlayFontSize, "big"));
    EXPECT_DOUBLE_EQ(OverlayAppearance::read(settings).fontSize, 24) << "wrong type reads as the default";

    ASSERT_TRUE(settings.setInt(K::overlayHistoryLimit, 0));
    EXPECT_EQ(OverlayAppearance::read(settings).effectiveHistoryLimit(), 1);

    EXPECT_DOUBLE_EQ(OverlayAppearance::steppedFontSize(24, 1), 25);
    EXPECT_DOUBLE_EQ(OverlayAppearance::steppedFontSize(64, 1), 64);
    EXPECT_DOUBLE_EQ(OverlayAppearance::steppedFontSize(12, -1), 12);
    ASSERT_TRUE(settings.setDouble(K::overlayFontSize, 63));
    EXPECT_EQ(stepOverlayFontSize(settings, 1).value_or(0), 64);
    EXPECT_EQ(stepOverlayFontSize(settings, 1).value_or(0), 64);
    EXPECT_DOUBLE_EQ(settings.doubleValue(K::overlayFontSize, 0), 64);

    EXPECT_DOUBLE_EQ(OverlayAppearance::clampedWindowOpacity(0.01), 0.1);
    EXPECT_DOUBLE_EQ(OverlayAppearance::clampedWindowOpacity(3), 1.0);

    EXPECT_EQ(OverlayAppearance::historyLimitChoiceIndex(12), 4);
    EXPECT_EQ(OverlayAppearance::historyLimitChoiceIndex(7), 3) << "a value not offered shows as 8";
    EXPECT_EQ(OverlayAppearance::historyLimitForChoiceIndex(99), 50);
    EXPECT_EQ(OverlayAppearance::historyLimitForChoiceIndex(-1), 1);

    OverlayAppearance blurred;
    blurred.blurEnabled = true;
    EXPECT_DOUBLE_EQ(blurred.tintAlpha(), 0.84 * 0.72);
}

TEST(OverlayAppearanceTest, PresetsOverwriteTheirSettingsOnly) {
    SettingsStore settings;
    ASSERT_TRUE(settings.setDouble(K::overlayWindowOpacity, 0.5));
    ASSERT_TRUE(settings.setString(K::fontName, "Noto Serif CJK SC"));

    // Any index past the last is the third preset.
    for (const auto& [index, preset] : {std::pair{1, 1}, {0, 0}, {7, 2}}) {
        SCOPED_TRACE(index);
        ASSERT_TRUE(applyThemePreset(settings, index));
        const OverlayAppearance a = OverlayAppearance::read(SettingsStore(settings.filePath()));
        const OverlayThemePreset values = overlayThemePreset(preset);
        EXPECT_EQ(a.themePreset, index);
        EXPECT_EQ(a.blurEnabled, values.blurEnabled);
        EXPECT_DOUBLE_EQ(a.backgroundOpacity, values.backgroundOpacity);
        EXPECT_DOUBLE_EQ(a.fontSize, values.fontSize);
        EXPECT_DOUBLE_EQ(a.padding, values.padding);
        EXPECT_DOUBLE_EQ(a.cornerRadius, values.cornerRadius);
        EXPECT_DOUBLE_EQ(a.originalOpacity, values.originalOpacity);
        EXPECT_DOUBLE_EQ(a.lineSpacing, values.lineSpacing);
        EXPECT_EQ(a.shadowEnabled, values.shadowEnabled);
        EXPECT_EQ(a.alignment, values.alignment);
        EXPECT_EQ(a.backgroundColor, values.backgroundColor);
        EXPECT_EQ(a.textColor, values.textColor);
        EXPECT_DOUBLE_EQ(a.windowOpacity, 0.5);
        EXPECT_EQ(a.fontName, "Noto Serif CJK SC");
    }
    // The three presets differ where the panel shows it.
    EXPECT_NE(overlayThemePreset(0).backgroundColor, overlayThemePreset(1).backgroundColor);
    EXPECT_NE(overlayThemePreset(1).backgroundColor, overlayThemePreset(2).backgroundColor);
}

TEST(OverlayAppearanceTest, BehaviourPersistAndReset) {
    SettingsStore settings;
    OverlayAppearance a = OverlayAppearance::read(settings);
    a.clickThrough = true;
    a.compactMode = true;
    a.historyLimit = 20;
    a.showsDuration = false;
    ASSERT_TRUE(persistOverlayBehavior(settings, a));
    EXPECT_TRUE(settings.boolValue(K::overlayClickThrough, false));
    EXPECT_EQ(settings.intValue(K::overlayHistoryLimit, 0), 20);
    EXPECT_FALSE(settings.contains(K::overlayShowsDuration)) << "the style page owns the duration switch";
    EXPECT_TRUE(settings.contains(K::overlayTextSelectable));

    ASSERT_TRUE(settings.setBool(K::overlayShowsDuration, false));
    ASSERT_TRUE(settings.setDouble(K::overlayFontSize, 40));
    ASSERT_TRUE(resetOverlayBehavior(settings));
    const OverlayAppearance reset = OverlayAppearance::read(settings);
    EXPECT_FALSE(reset.clickThrough);
    EXPECT_FALSE(reset.compactMode);
    EXPECT_EQ(reset.historyLimit, 8);
    EXPECT_TRUE(reset.showsDuration);
    EXPECT_DOUBLE_EQ(reset.fontSize, 40) << "appearance is not behaviour";
}

TEST(OverlayAppearanceTest, FontsResolveToInstalledFamilies) {
    const QFont system = OverlayAppearance::resolvedFont("系统字体", 24, false);
    EXPECT_EQ(system.pixelSize(), 24);
    EXPECT_EQ(system.weight(), QFont::Normal);
    EXPECT_EQ(OverlayAppearance::resolvedFont("系统字体", 24, true).weight(), QFont::DemiBold);
    // The system font must carry Chinese glyphs.
    EXPECT_TRUE(QFontDatabase::writingSystems(QFontInfo(system).family()).contains(QFontDatabase::SimplifiedChinese))
        << QFontInfo(system).family().toStdString();

    const QFont unknown = OverlayAppearance::resolvedFont("No Such Family 42", 18, true);
    EXPECT_EQ(unknown.family(), system.family());
    EXPECT_EQ(unknown.weight(), QFont::DemiBold);
    EXPECT_EQ(unknown.pixelSize(), 18);

    if (QFontDatabase::families().contains("Noto Serif CJK SC")) {
        const QFont named = OverlayAppearance::resolvedFont("Noto Serif CJK SC", 30, true);
        EXPECT_EQ(named.family(), "Noto Serif CJK SC");
        EXPECT_EQ(named.weight(), QFont::Normal) << "a named font keeps its own weight";
    }
    // "苹方" asks for PingFang SC, which only exists where it is installed.
    const QFont pingFang = OverlayAppearance::resolvedFont("苹方", 20, false);
    EXPECT_EQ(pingFang.family(),
              QFontDatabase::families().contains("PingFang SC") ? QString("PingFang SC") : system.family());
}
