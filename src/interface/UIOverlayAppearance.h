#pragma once

#include <QColor>
#include <QString>

#include <expected>
#include <optional>

namespace ovisu {

class SettingsStore;

// How interface labels look, as stored: a missing key or a value of the wrong type gives the
// default, and a stored number outside what a label can use is brought back into range.
struct UIOverlayAppearance {
    static constexpr double minimumFontSize = 10;
    static constexpr double maximumFontSize = 48;

    double fontSize = 16;
    double backgroundOpacity = 0.88;
    double padding = 9;
    double cornerRadius = 9;
    bool shadowEnabled = true;
    QColor backgroundColor;
    QColor textColor;
    // Labels move with the game window.
    bool windowFollowEnabled = true;

    // Every field at its default.
    static UIOverlayAppearance defaults();
    static UIOverlayAppearance read(const SettingsStore& settings);
    // Every field is written; the first failure is the error.
    std::expected<void, QString> store(SettingsStore& settings) const;

    friend bool operator==(const UIOverlayAppearance&, const UIOverlayAppearance&) = default;
};

// The − / + buttons: one point within 10 to 48. None when the size is already at that limit
// (nothing is stored, nothing needs placing again).
std::optional<double> steppedInterfaceFontSize(double current, int step);

}  // namespace ovisu
