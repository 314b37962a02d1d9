#include "interface/UIOverlayAppearance.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "overlay/StoredColor.h"

#include <algorithm>
#include <cmath>

namespace ovisu {

namespace {
const QString& kWindowFollowKey = SettingsKeys::interfaceWindowFollowEnabled;

double storedNumber(const SettingsStore& settings, const QString& key, double fallback, double low, double high) {
    const double value = settings.doubleValue(key, fallback);
    return std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}
}  // namespace

UIOverlayAppearance UIOverlayAppearance::defaults() {
    UIOverlayAppearance look;
    look.backgroundColor = StoredColor::interfaceOverlayBackgroundColor();
    look.textColor = StoredColor::interfaceOverlayTextColor();
    return look;
}

UIOverlayAppearance UIOverlayAppearance::read(const SettingsStore& settings) {
    const UIOverlayAppearance fallback = defaults();
    UIOverlayAppearance look;
    look.fontSize = storedNumber(settings, SettingsKeys::interfaceOverlayFontSize, fallback.fontSize, minimumFontSize,
                                 maximumFontSize);
    look.backgroundOpacity =
        storedNumber(settings, SettingsKeys::interfaceOverlayBackgroundOpacity, fallback.backgroundOpacity, 0, 1);
    look.padding = storedNumber(settings, SettingsKeys::interfaceOverlayPadding, fallback.padding, 0, 60);
    look.cornerRadius = storedNumber(settings, SettingsKeys::interfaceOverlayCornerRadius, fallback.cornerRadius, 0, 60);
    look.shadowEnabled = settings.boolValue(SettingsKeys::interfaceOverlayShadowEnabled, fallback.shadowEnabled);
    look.backgroundColor =
        StoredColor::read(settings, SettingsKeys::interfaceOverlayBackgroundColor, fallback.backgroundColor);
    look.textColor = StoredColor::read(settings, SettingsKeys::interfaceOverlayTextColor, fallback.textColor);
    look.windowFollowEnabled = settings.boolValue(kWindowFollowKey, fallback.windowFollowEnabled);
    return look;
}

std::expected<void, QString> UIOverlayAppearance::store(SettingsStore& settings) const {
    for (const auto& write : {
             settings.setDouble(SettingsKeys::interfaceOverlayFontSize, fontSize),
             settings.setDouble(SettingsKeys::interfaceOverlayBackgroundOpacity, backgroundOpacity),
             settings.setDouble(SettingsKeys::interfaceOverlayPadding, padding),
             settings.setDouble(SettingsKeys::interfaceOverlayCornerRadius, cornerRadius),
             settings.setBool(SettingsKeys::interfaceOverlayShadowEnabled, shadowEnabled),
             StoredColor::write(settings, SettingsKeys::interfaceOverlayBackgroundColor, backgroundColor),
             StoredColor::write(settings, SettingsKeys::interfaceOverlayTextColor, textColor),
             settings.setBool(kWindowFollowKey, windowFollowEnabled),
         })
        if (!write) return write;
    return {};
}

std::optional<double> steppedInterfaceFontSize(double current, int step) {
    const double next = std::clamp(current + step, UIOverlayAppearance::minimumFontSize,
                                   UIOverlayAppearance::maximumFontSize);
    if (next == current) return std::nullopt;
    return next;
}

}  // namespace ovisu
