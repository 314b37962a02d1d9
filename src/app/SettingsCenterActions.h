#pragma once

namespace ovisu {

// What the settings window asks of the application shell; the overlay pages talk to the panel's
// owner (OverlaySettingsActions) and the recognition page to the realtime loop
// (RecognitionSettingsActions). The window reads every control from the settings store and never
// keeps a value of its own.
//
// The toggle...() operations flip their own flag and store it themselves (the tray menu calls
// them too); the window does not write those keys and re-reads them after the call. The
// configure...() operations are called after the window has stored the key. When the shell
// changes a setting shown in the window from elsewhere (tray menu, hot key), it calls
// SettingsCenterWindow::renderSettingsPage().
class SettingsCenterActions {
public:
    virtual ~SettingsCenterActions() = default;

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
