#pragma once

namespace ovisu {

// What the settings window's overlay pages ask of the panel's owner once they have stored a value.
// The window reads every control from the settings store; these make the change take effect.
class OverlaySettingsActions {
public:
    virtual ~OverlaySettingsActions() = default;

    // One of "overlayShowsOriginal", "overlayShowsMetadata", "overlayClickThrough",
    // "overlayAlwaysOnTop", "overlayPositionLocked", "overlayCompactMode",
    // "overlayTextSelectable" was stored; apply the behaviour to the panel.
    virtual void applyOverlayBehavior() = 0;
    // "overlayHistoryLimit" was stored; trim the panel's lines and redraw scrolled to the end.
    virtual void overlayHistoryLimitChanged(int limit) = 0;
    // Writes the nine behaviour keys (the seven check boxes, "overlayShowsDuration" and
    // "overlayHistoryLimit") back to their defaults, then applies them.
    virtual void resetOverlayBehavior() = 0;
    // Writes "overlayThemePreset" = index and the preset's appearance keys, then applies the style.
    virtual void overlayThemePresetChanged(int index) = 0;
    // One appearance key was stored; apply the style.
    virtual void applyOverlayStyle() = 0;
    // The window opacity was chosen (kept between 0.1 and 1.0): store it and apply it.
    virtual void overlayWindowOpacityChanged(double opacity) = 0;
};

}  // namespace ovisu
