#pragma once

namespace ovisu {

// What the settings window asks of the application shell. The window reads every control from
// the settings store and never keeps a value of its own; these operations make a change take
// effect in the running program.
//
// Who writes the settings:
// - An operation that receives the new value as an argument, and applyOverlayBehavior() /
//   applyOverlayStyle(), are called after the window has already stored the value under its key.
//   The shell only reads and applies.
// - toggle...() operations flip their own flag and store it themselves (the tray menu calls them
//   too); the window does not write those keys and re-reads them after the call.
// - resetOverlayBehavior() and overlayThemePresetChanged() write every key they touch; the window
//   re-reads all controls after the call.
// When the shell changes a setting shown in the window from elsewhere (tray menu, hot key), it
// calls SettingsCenterWindow::renderSettingsPage().
class SettingsCenterActions {
public:
    virtual ~SettingsCenterActions() = default;

    // Overlay behaviour page.
    // One of "overlayShowsOriginal", "overlayShowsMetadata", "overlayClickThrough",
    // "overlayAlwaysOnTop", "overlayPositionLocked", "overlayCompactMode",
    // "overlayTextSelectable" was stored; apply the behaviour to the panel and the tray menu.
    virtual void applyOverlayBehavior() = 0;
    // "overlayHistoryLimit" was stored; trim the session list and redraw the overlay scrolled to
    // the end.
    virtual void overlayHistoryLimitChanged(int limit) = 0;
    // Writes the nine behaviour keys (the seven check boxes, "overlayShowsDuration" and
    // "overlayHistoryLimit") back to their defaults, then applies them.
    virtual void resetOverlayBehavior() = 0;

    // Overlay style page.
    // Writes "overlayThemePreset" = index and the preset's appearance keys (blur, background
    // opacity, font size, padding, corner radius, original opacity, line spacing, shadow,
    // alignment, background and text colour), then applies the style.
    virtual void overlayThemePresetChanged(int index) = 0;
    // One appearance key was stored ("blurEnabled", "overlayShowsDuration", "backgroundColor",
    // "textColor", "fontName", "overlayFontSize", "overlayPadding", "overlayCornerRadius",
    // "overlayOriginalOpacity", "overlayLineSpacing", "overlayAlignment"); apply the style.
    virtual void applyOverlayStyle() = 0;
    // "overlayWindowOpacity" was stored (0.1 to 1.0); apply it to the panel.
    virtual void overlayWindowOpacityChanged(double opacity) = 0;

    // Recognition and polling page (each value already stored).
    // "ocrPollingInterval", seconds: a running session picks the new interval up at once.
    virtual void pollingIntervalChanged(double seconds) = 0;
    // "highPerformancePollingEnabled": reset the adaptive controller, reschedule a running
    // session's timer, and set the status label to "高性能自适应轮询已开启" (on) or
    // "已恢复 1.1.4 原有固定频率 OCR" (off).
    virtual void highPerformancePollingChanged(bool enabled) = 0;
    // "ocrFrameChangeThreshold".
    virtual void frameChangeThresholdChanged(double threshold) = 0;
    // "ocrStableHits".
    virtual void stableHitsChanged(int hits) = 0;

    // Toggles: each flips and stores its own flag ("clipboardMonitoringEnabled",
    // "clipboardStrictJapaneseDetection", "automaticSpeechEnabled"), then refreshes the tray menu.
    virtual void toggleClipboardMonitoring() = 0;
    virtual void toggleClipboardStrictDetection() = 0;
    virtual void toggleAutomaticSpeech() = 0;

    // Shell page (each key already stored).
    // "globalHotKeysEnabled": unregister the hot keys, and register them again when enabled.
    virtual void configureGlobalHotKeys() = 0;
    // "menuBarIconEnabled": create or remove the tray icon. Without it, closing the main window
    // quits the program.
    virtual void configureStatusItem() = 0;
};

}  // namespace ovisu
