#include "overlay/OverlayAppearance.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/StoredColor.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace ovisu {
namespace K = SettingsKeys;
namespace D = SettingsDefaults;

const QString OverlayAppearance::systemFontName = QStringLiteral("系统字体");

namespace {

std::expected<void, QString> firstError(std::initializer_list<std::expected<void, QString>> results) {
    for (const auto& result : results)
        if (!result) return result;
    return {};
}

bool familyExists(const QString& family) {
    if (!QGuiApplication::instance()) return false;
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

OverlayAppearance OverlayAppearance::read(const SettingsStore& s) {
    OverlayAppearance a;
    a.showsOriginal = s.boolValue(K::overlayShowsOriginal, D::overlayShowsOriginal);
    a.showsMetadata = s.boolValue(K::overlayShowsMetadata, D::overlayShowsMetadata);
    a.showsDuration = s.boolValue(K::overlayShowsDuration, D::overlayShowsDuration);
    a.clickThrough = s.boolValue(K::overlayClickThrough, D::overlayClickThrough);
    a.alwaysOnTop = s.boolValue(K::overlayAlwaysOnTop, D::overlayAlwaysOnTop);
    a.positionLocked = s.boolValue(K::overlayPositionLocked, D::overlayPositionLocked);
    a.compactMode = s.boolValue(K::overlayCompactMode, D::overlayCompactMode);
    a.historyLimit = s.intValue(K::overlayHistoryLimit, D::overlayHistoryLimit);
    a.textSelectable = s.boolValue(K::overlayTextSelectable, D::overlayTextSelectable);
    a.blurEnabled = s.boolValue(K::blurEnabled, D::blurEnabled);
    a.backgroundOpacity = s.doubleValue(K::backgroundOpacity, D::backgroundOpacity);
    a.windowOpacity = s.doubleValue(K::overlayWindowOpacity, D::overlayWindowOpacity);
    a.fontSize = s.doubleValue(K::overlayFontSize, D::overlayFontSize);
    a.padding = s.doubleValue(K::overlayPadding, D::overlayPadding);
    a.cornerRadius = s.doubleValue(K::overlayCornerRadius, D::overlayCornerRadius);
    a.originalOpacity = s.doubleValue(K::overlayOriginalOpacity, D::overlayOriginalOpacity);
    a.lineSpacing = s.doubleValue(K::overlayLineSpacing, D::overlayLineSpacing);
    a.shadowEnabled = s.boolValue(K::overlayShadowEnabled, D::overlayShadowEnabled);
    a.alignment = clampedAlignment(s.intValue(K::overlayAlignment, D::overlayAlignment));
    a.themePreset = s.intValue(K::overlayThemePreset, D::overlayThemePreset);
    a.backgroundColor = StoredColor::read(s, K::backgroundColor, StoredColor::overlayBackgroundColor());
    a.textColor = StoredColor::read(s, K::textColor, StoredColor::overlayTextColor());
    a.fontName = s.stringValue(K::fontName, D::fontName);
    return a;
}

QColor OverlayAppearance::closeButtonColor() const {
    return themePreset == 1 ? QColor::fromRgbF(0.35f, 0.06f, 0.17f) : QColor::fromRgbF(1.0f, 0.6f, 0.84f);
}

QFont OverlayAppearance::resolvedFont(double size, bool bold) const { return resolvedFont(fontName, size, bold); }

QString OverlayAppearance::systemFontFamily() {
    if (!QGuiApplication::instance()) return QString();  // no font database yet; do not remember that
    static const QString family = [] {
        const QString uiFamily = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        if (QFontDatabase::writingSystems(uiFamily).contains(QFontDatabase::SimplifiedChinese)) return uiFamily;
        // Chinese text in a Latin UI font would fall back glyph by glyph; pick one family for all.
        for (const QString& candidate : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                                         QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Droid Sans Fallback")})
            if (familyExists(candidate)) return candidate;
        return uiFamily;
    }();
    return family;
}

QFont OverlayAppearance::resolvedFont(const QString& fontName, double size, bool bold) {
    const int pixels = std::max(1, int(std::lround(size)));
    QString family = fontName == QStringLiteral("苹方") ? QStringLiteral("PingFang SC") : fontName;
    if (family != systemFontName && familyExists(family)) {
        QFont font(family);
        font.setPixelSize(pixels);
        return font;
    }
    QFont font = QGuiApplication::instance() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont();
    const QString system = systemFontFamily();
    if (!system.isEmpty()) font.setFamily(system);
    font.setPixelSize(pixels);
    font.setWeight(bold ? QFont::DemiBold : QFont::Normal);
    return font;
}

int OverlayAppearance::clampedAlignment(int value) { return std::clamp(value, 0, 2); }

double OverlayAppearance::clampedWindowOpacity(double value) {
    if (!std::isfinite(value)) return D::overlayWindowOpacity;
    return std::clamp(value, 0.1, 1.0);
}

double OverlayAppearance::steppedFontSize(double current, int delta) {
    if (!std::isfinite(current)) current = D::overlayFontSize;
    return std::clamp(current + delta, minimumFontSize, maximumFontSize);
}

const QList<int>& OverlayAppearance::historyLimitChoices() {
    static const QList<int> choices{1, 3, 5, 8, 12, 20, 50};
    return choices;
}

int OverlayAppearance::historyLimitChoiceIndex(int storedLimit) {
    const qsizetype index = historyLimitChoices().indexOf(storedLimit);
    return int(index >= 0 ? index : historyLimitChoices().indexOf(8));
}

int OverlayAppearance::historyLimitForChoiceIndex(int index) {
    const auto& choices = historyLimitChoices();
    return choices.at(std::clamp<qsizetype>(index, 0, choices.size() - 1));
}

std::expected<void, QString> persistOverlayBehavior(SettingsStore& s, const OverlayAppearance& a) {
    return firstError({
        s.setBool(K::overlayShowsOriginal, a.showsOriginal),
        s.setBool(K::overlayShowsMetadata, a.showsMetadata),
        s.setBool(K::overlayClickThrough, a.clickThrough),
        s.setBool(K::overlayAlwaysOnTop, a.alwaysOnTop),
        s.setBool(K::overlayPositionLocked, a.positionLocked),
        s.setBool(K::overlayCompactMode, a.compactMode),
        s.setInt(K::overlayHistoryLimit, a.historyLimit),
        s.setBool(K::overlayTextSelectable, a.textSelectable),
    });
}

std::expected<void, QString> resetOverlayBehavior(SettingsStore& s) {
    OverlayAppearance a = OverlayAppearance::read(s);
    const OverlayAppearance defaults;
    a.showsOriginal = defaults.showsOriginal;
    a.showsMetadata = defaults.showsMetadata;
    a.showsDuration = defaults.showsDuration;
    a.clickThrough = defaults.clickThrough;
    a.alwaysOnTop = defaults.alwaysOnTop;
    a.positionLocked = defaults.positionLocked;
    a.compactMode = defaults.compactMode;
    a.historyLimit = defaults.historyLimit;
    a.textSelectable = defaults.textSelectable;
    // The duration switch is a behaviour default too; writing it here keeps the stored value
    // and the shown one the same after a reset.
    return firstError({persistOverlayBehavior(s, a), s.setBool(K::overlayShowsDuration, a.showsDuration)});
}

OverlayThemePreset overlayThemePreset(int index) {
    switch (index) {
    case 0:
        return {true, 0.78, 25, 26, 18, 0.66, 1.08, true, 1, QColor::fromRgbF(0.2f, 0.08f, 0.16f),
                QColor::fromRgbF(1.0f, 0.92f, 0.95f)};
    case 1:
        return {false, 0.9, 23, 20, 10, 0.6, 0.95, false, 0, QColor::fromRgbF(0.96f, 0.96f, 0.96f),
                QColor::fromRgbF(0.08f, 0.08f, 0.08f)};
    default:
        return {true, 0.62, 26, 28, 20, 0.56, 1.18, true, 1, QColor::fromRgbF(0.025f, 0.03f, 0.08f),
                QColor::fromRgbF(1.0f, 1.0f, 1.0f)};
    }
}

std::expected<void, QString> applyThemePreset(SettingsStore& s, int index) {
    const OverlayThemePreset p = overlayThemePreset(index);
    return firstError({
        s.setInt(K::overlayThemePreset, index),
        s.setBool(K::blurEnabled, p.blurEnabled),
        s.setDouble(K::backgroundOpacity, p.backgroundOpacity),
        s.setDouble(K::overlayFontSize, p.fontSize),
        s.setDouble(K::overlayPadding, p.padding),
        s.setDouble(K::overlayCornerRadius, p.cornerRadius),
        s.setDouble(K::overlayOriginalOpacity, p.originalOpacity),
        s.setDouble(K::overlayLineSpacing, p.lineSpacing),
        s.setBool(K::overlayShadowEnabled, p.shadowEnabled),
        s.setInt(K::overlayAlignment, p.alignment),
        StoredColor::write(s, K::backgroundColor, p.backgroundColor),
        StoredColor::write(s, K::textColor, p.textColor),
    });
}

std::expected<double, QString> stepOverlayFontSize(SettingsStore& s, int delta) {
    const double size = OverlayAppearance::steppedFontSize(s.doubleValue(K::overlayFontSize, D::overlayFontSize), delta);
    if (auto written = s.setDouble(K::overlayFontSize, size); !written) return std::unexpected(written.error());
    return size;
}

}  // namespace ovisu
