#pragma once

#include <QColor>
#include <QJsonObject>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// Colour settings, kept as {"red", "green", "blue", "alpha"} with each component a number from
// 0 to 1, so a colour survives storage exactly (QColor holds 16 bits per component, which the
// JSON number carries unchanged).
class StoredColor {
public:
    // The built-in colours, used when nothing usable is stored.
    static QColor overlayBackgroundColor();            // RGB (0.04, 0.05, 0.07)
    static QColor overlayTextColor();                  // white
    static QColor appBackgroundColor();                // the main window's tint
    static QColor appTextColor();                      // the main window's text
    static QColor interfaceOverlayBackgroundColor();   // the interface mode's label plates
    static QColor interfaceOverlayTextColor();

    static QJsonObject toJson(const QColor& color);
    // None unless all four components are numbers from 0 to 1.
    static std::optional<QColor> fromJson(const QJsonValue& value);

    // The stored colour, or `builtIn` when the value is missing or malformed.
    static QColor read(const SettingsStore& settings, const QString& key, const QColor& builtIn);
    static std::expected<void, QString> write(SettingsStore& settings, const QString& key, const QColor& color);
};

// Every colour setting as the program starts with it.
struct StoredColors {
    QColor backgroundColor;
    QColor textColor;
    QColor appBackgroundColor;
    QColor appTextColor;
    QColor interfaceOverlayBackgroundColor;
    QColor interfaceOverlayTextColor;

    friend bool operator==(const StoredColors&, const StoredColors&) = default;
};

StoredColors restoreColors(const SettingsStore& settings);

}  // namespace ovisu
