#pragma once

#include "overlay/StoredColor.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <expected>

namespace ovisu {

class SettingsStore;

// One of the style window's three looks ("日乙", "简洁", "沉浸").
struct OverlayThemePreset {
    bool blurEnabled;
    double backgroundOpacity;
    double fontSize;
    double padding;
    double cornerRadius;
    double originalOpacity;
    double lineSpacing;
    bool shadowEnabled;
    int alignment;
    QColor backgroundColor;
    QColor textColor;
};

// Every behaviour and appearance setting of the overlay panel, as stored (missing or malformed
// values read as their defaults).
struct OverlayAppearance {
    // Behaviour
    bool showsOriginal = true;
    bool showsMetadata = true;
    bool showsDuration = true;
    bool clickThrough = false;
    bool alwaysOnTop = true;
    bool positionLocked = false;
    bool compactMode = false;
    int historyLimit = 8;
    bool textSelectable = false;
    // Appearance
    bool blurEnabled = false;
    double backgroundOpacity = 0.84;
    double windowOpacity = 1.0;
    double fontSize = 24;
    double padding = 24;
    double cornerRadius = 14;
    double originalOpacity = 0.72;
    double lineSpacing = 1.0;
    bool shadowEnabled = true;
    int alignment = 1;  // 0 left, 1 centre, 2 right
    int themePreset = 0;
    QColor backgroundColor = StoredColor::overlayBackgroundColor();
    QColor textColor = StoredColor::overlayTextColor();
    QString fontName = QStringLiteral("系统字体");

    static constexpr double minimumFontSize = 12;
    static constexpr double maximumFontSize = 64;
    static const QString systemFontName;  // "系统字体"

    static OverlayAppearance read(const SettingsStore& settings);

    // The session list never drops below one entry.
    int effectiveHistoryLimit() const { return historyLimit < 1 ? 1 : historyLimit; }
    // The tint's alpha: blur shows through a lighter tint.
    double tintAlpha() const { return blurEnabled ? backgroundOpacity * 0.72 : backgroundOpacity; }
    // The close button's colour for the current preset.
    QColor closeButtonColor() const;

    // The overlay font: "系统字体" (or a family this system does not have) is the system font,
    // semibold when `bold`; "苹方" is "PingFang SC"; any other name is that family at `size`.
    QFont resolvedFont(double size, bool bold) const;
    static QFont resolvedFont(const QString& fontName, double size, bool bold);
    // The family standing in for the system font: the UI font, or, when it lacks Chinese glyphs,
    // an installed CJK sans family.
    static QString systemFontFamily();

    static int clampedAlignment(int value);
    static double clampedWindowOpacity(double value);  // 0.1 to 1.0
    // The font size one step (`delta` points) up or down, within 12 to 64.
    static double steppedFontSize(double current, int delta);

    // The history-limit pop-up: its seven choices, the index shown for a stored value (8 when the
    // value is not a choice) and the value of a selected index (clamped to the choices).
    static const QList<int>& historyLimitChoices();
    static int historyLimitChoiceIndex(int storedLimit);
    static int historyLimitForChoiceIndex(int index);
};

// Writes the behaviour settings except "overlayShowsDuration", which the style page owns.
std::expected<void, QString> persistOverlayBehavior(SettingsStore& settings, const OverlayAppearance& appearance);
// Restores all nine behaviour settings to their defaults and stores them.
std::expected<void, QString> resetOverlayBehavior(SettingsStore& settings);

// The preset for a segment index; any index other than 0 and 1 is the third.
OverlayThemePreset overlayThemePreset(int index);
// Stores `index` as the chosen preset and overwrites the appearance settings it fixes (the window
// opacity and the font are left alone).
std::expected<void, QString> applyThemePreset(SettingsStore& settings, int index);
// Moves the stored font size one step and stores it; answers the new size.
std::expected<double, QString> stepOverlayFontSize(SettingsStore& settings, int delta);

}  // namespace ovisu
