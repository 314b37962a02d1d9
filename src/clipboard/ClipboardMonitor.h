#pragma once

#include "clipboard/LanguageGuess.h"
#include "capture/RealtimeTranslationState.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

namespace ovisu {

class ClipboardSource;
class SettingsStore;
class TranslationPipeline;

// What the clipboard mode asks of the desktop program. Every hook runs on the main thread.
class ClipboardMonitorClient {
public:
    virtual ~ClipboardMonitorClient() = default;
    // Set the realtime state (capturing, paused, or an error with its message).
    virtual void updateState(const RealtimeTranslationState& state) { (void)state; }
    // Whether the realtime window session runs (its polling timer exists).
    virtual bool isRealtimeSessionRunning() const { return false; }
    // Stop the realtime window session: the two modes exclude each other.
    virtual void stopTranslation() {}
    // Create the overlay when it does not exist yet and bring it to the front without
    // activating the application.
    virtual void createOverlayIfNeeded() {}
    // Start the session clock when it is not running yet (the run time counts from it).
    virtual void startSessionClockIfNeeded() {}
    // Redraw the settings page when its window is visible.
    virtual void renderSettingsPage() {}
    virtual void refreshStatusMenu() {}
};

// The clipboard translation mode: while on, a 0.65-second poll watches the clipboard and hands
// every newly copied text that looks Japanese to the translation pipeline, one request at a
// time; a text copied while a request is in flight waits in a single slot, the newest winning.
class ClipboardMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int pollingIntervalMilliseconds = 650;

    // `languageGuess` may be empty: strict detection is then the kana test alone.
    ClipboardMonitor(SettingsStore& settings, TranslationPipeline& pipeline, ClipboardSource& clipboard,
                     ClipboardMonitorClient& client, std::unique_ptr<LanguageGuess> languageGuess = makeLanguageGuess(),
                     QObject* parent = nullptr);
    ~ClipboardMonitor() override;

    // At launch: start when the mode was on when the program last ran. The mode itself is off
    // until started, whatever is stored.
    void restoreClipboardMonitoringAtLaunch();
    void startClipboardMonitoring();
    void stopClipboardMonitoring(bool updateState);
    // The program quits: the poll stops and nothing in flight is kept, but the stored mode stays
    // as the user left it, so the next launch picks it up again.
    void suspendClipboardMonitoringForQuit();
    void toggleClipboardMonitoring();
    void toggleClipboardStrictDetection();
    void pollClipboardForTranslation();

    // The mode is on exactly while its poll runs.
    bool clipboardMonitoringEnabled() const { return m_clipboardPollingTimer.isActive(); }
    bool clipboardStrictJapaneseDetection() const { return m_clipboardStrictJapaneseDetection; }
    // The poll is running (what the status menu counts as "running").
    bool isPolling() const { return m_clipboardPollingTimer.isActive(); }
    const QString& clipboardLastText() const { return m_clipboardLastText; }
    const std::optional<QString>& pendingClipboardText() const { return m_pendingClipboardText; }

    // "clipboard:" + the comparison form: a copied text never passes for a line of the screen.
    static QString clipboardSignature(const QString& text);

private:
    std::optional<QString> configurationIssueMessage();
    void submitClipboardText(const QString& text);
    // A setting that cannot be written is logged; the mode carries on with the value in memory.
    void storeSetting(const QString& key, bool value, const QString& failure);
    void storeMonitoringEnabled(bool enabled);

    SettingsStore& m_settings;
    TranslationPipeline& m_pipeline;
    ClipboardSource& m_clipboard;
    ClipboardMonitorClient& m_client;
    std::unique_ptr<LanguageGuess> m_languageGuess;

    bool m_clipboardStrictJapaneseDetection = true;
    QTimer m_clipboardPollingTimer;
    qint64 m_clipboardChangeCount = 0;
    QString m_clipboardLastText;  // never reset while the process runs
    std::optional<QString> m_pendingClipboardText;
};

}  // namespace ovisu
