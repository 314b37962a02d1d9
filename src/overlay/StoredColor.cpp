#include "overlay/StoredColor.h"

#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"

#include <cmath>

namespace ovisu {
namespace {

const QString kRed = QStringLiteral("red");
const QString kGreen = QStringLiteral("green");
const QString kBlue = QStringLiteral("blue");
const QString kAlpha = QStringLiteral("alpha");

std::optional<float> component(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0 || number > 1) return std::nullopt;
    return float(number);
}

}  // namespace

QColor StoredColor::overlayBackgroundColor() { return QColor::fromRgbF(0.04f, 0.05f, 0.07f, 1.0f); }
QColor StoredColor::overlayTextColor() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 1.0f); }
QColor StoredColor::appBackgroundColor() { return QColor::fromRgbF(0.08f, 0.09f, 0.12f, 1.0f); }
QColor StoredColor::appTextColor() { return QColor::fromRgbF(0.95f, 0.96f, 0.98f, 1.0f); }
QColor StoredColor::interfaceOverlayBackgroundColor() { return QColor::fromRgbF(0.035f, 0.045f, 0.065f, 1.0f); }
QColor StoredColor::interfaceOverlayTextColor() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 1.0f); }

QJsonObject StoredColor::toJson(const QColor& color) {
    const QColor rgb = color.toRgb();
    return QJsonObject{{kRed, double(rgb.redF())},
                       {kGreen, double(rgb.greenF())},
                       {kBlue, double(rgb.blueF())},
                       {kAlpha, double(rgb.alphaF())}};
}

std::optional<QColor> StoredColor::fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto red = component(object, kRed);
    const auto green = component(object, kGreen);
    const auto blue = component(object, kBlue);
    const auto alpha = component(object, kAlpha);
    if (!red || !green || !blue || !alpha) return std::nullopt;
    return QColor::fromRgbF(*red, *green, *blue, *alpha);
}

QColor StoredColor::read(const SettingsStore& settings, const QString& key, const QColor& builtIn) {
    return fromJson(settings.value(key)).value_or(builtIn);
}

std::expected<void, QString> StoredColor::write(SettingsStore& settings, const QString& key, const QColor& color) {
    return settings.setDictionary(key, toJson(color));
}

StoredColors restoreColors(const SettingsStore& settings) {
    return StoredColors{
        StoredColor::read(settings, SettingsKeys::backgroundColor, StoredColor::overlayBackgroundColor()),
        StoredColor::read(settings, SettingsKeys::textColor, StoredColor::overlayTextColor()),
        StoredColor::read(settings, SettingsKeys::appBackgroundColor, StoredColor::appBackgroundColor()),
        StoredColor::read(settings, SettingsKeys::appTextColor, StoredColor::appTextColor()),
        StoredColor::read(settings, SettingsKeys::interfaceOverlayBackgroundColor,
                          StoredColor::interfaceOverlayBackgroundColor()),
        StoredColor::read(settings, SettingsKeys::interfaceOverlayTextColor, StoredColor::interfaceOverlayTextColor()),
    };
}

}  // namespace ovisu
