#pragma once

#include "app/FirstRunGuide.h"
#include "app/SettingsCenterActions.h"
#include "app/ShellActions.h"
#include "app/TranslationServices.h"
#include "base/SettingsStore.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ClipboardSource.h"
#include "dialogue/RealtimeSession.h"
#include "capture/TargetWindow.h"
#include "capture/ui/RegionPreviewWindow.h"
#include "history/TranslationHistoryStore.h"
#include "engine/ProviderSelection.h"
#include "engine/TranslationSettingsActions.h"

#include <QObject>
#include <QPointer>

#include <memory>


namespace ovisu {

class GlobalHotKeys;
class ModeCoordinator;
class MainWindow;
class OverlayController;
class RegionPicker;
class SpeechOutput;
class SettingsCenterWindow;
class SettingsHelp;
class SettingsPageHomeProviders;
class QuickStartGuide;
class TranslationSettingsWindows;
class StatusItem;
class TranslationHistoryController;
class TranslationPipeline;
class TranslationProfiles;
class WindowCapture;

// The desktop program's composition root: it owns one component per area, wires them to the
// main window, and brings the program up and down in order.
class AppDelegate : public QObject,
                    public RealtimeSessionClient,
                    public ShellActions,
                    public SettingsCenterActions,
                    public TranslationSettingsActions {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // The first launch's quick-start guide (built when it is first shown).
    void showQuickStartGuide();
    QuickStartGuide* quickStartGuide() const { return m_quickStartGuide.get(); }

    // Operations of the main window, the menus and the hot keys.
    void refreshWindows();
    void targetChanged(int index);
    void targetChangedIfNeeded();
    void translationModeChanged(TranslationMode mode);
    void primaryRegionAction();
    void showRegion();
    void clearRegion();
    void providerChanged(Provider provider);
    void primaryAction();
    void performManualOCR();
    void showLastErrorDetails();
    void overlayWindowOpacityChanged(double opacity) override;

    // SettingsCenterActions: the settings centre has stored the value; apply it.
    void applyOverlayBehavior() override;
    void overlayHistoryLimitChanged(int limit) override;
    void resetOverlayBehavior() override;
    void overlayThemePresetChanged(int index) override;
    void applyOverlayStyle() override;
    void pollingIntervalChanged(double seconds) override;
    void highPerformancePollingChanged(bool enabled) override;
    void frameChangeThresholdChanged(double threshold) override;
    void stableHitsChanged(int hits) override;
    void configureStatusItem() override;
    void updateRegionControlsForMode();
    void refreshStatusMenu();
    void configureGlobalHotKeys() override;
    void handleGlobalHotKey(int id);
    void selectRegion();
    void speakTranslationText(const QString& text);

    // ShellActions: the menus, the tray and the hot keys.
    void toggleTranslation() override;
    void toggleOverlayVisibility() override;
    void toggleOverlayClickThrough() override;
    void toggleClipboardMonitoring() override;
    void toggleClipboardStrictDetection() override;
    void resetTranslationContext() override;
    void toggleAutomaticSpeech() override;
    void statusMenuSelectRegion() override;
    void selectProvider(Provider provider) override;
    void statusMenuApplyProfile(const QString& name) override;
    void copyLatestTranslation() override;
    void speakLatestTranslation() override;
    void showMainWindow() override;
    void openSettingsCenter() override;
    void openSettingsHelp() override;
    void openTranslationHistory() override;
    void exportTranslationHistory() override;
    void openProviderSettings() override;
    void showScreenCapturePermissionHelp() override;

    // TranslationSettingsActions: the translation settings windows.
    void showTranslationStatus(const QString& message) override;
    void translationSourcesChanged() override;
    void providerFieldsSaved(Provider provider) override;
    void applyTranslationProfile(const QString& name) override;
    void translationProfilesChanged() override;
    void openLocalModelDownload(Provider provider) override;
    void openExternalURL(const QUrl& url) override;
    void openAILocalizationSettings() override;
    void openTranslationSettings() override;
    void openProviderManager() override;
    void quitApplication() override;

    MainWindow& mainWindow() { return *m_mainWindow; }
    RealtimeSession& session() { return *m_session; }
    RegionPicker& regionPicker() { return *m_regionPicker; }
    TranslationHistoryController& historyController() { return *m_historyController; }
    StatusItem& statusItem() { return *m_statusItem; }
    OverlayController& overlay() { return *m_overlay; }
    SettingsCenterWindow* settingsWindow() const { return m_settingsWindow.get(); }
    TranslationSettingsWindows& translationWindows() { return *m_translationWindows; }
    GlobalHotKeys& hotKeys() { return *m_hotKeys; }
    ClipboardMonitor& clipboardMonitor();
    TranslationPipeline& pipeline() { return *m_pipeline; }
    SettingsStore& settings() { return m_settings; }
    const QList<TargetWindow>& targets() const;

    // RealtimeSessionClient
    void realtimeStateChanged(const RealtimeTranslationState& state) override;
    void statusLabelChanged(const QString& text) override;
    void sessionStarting(bool fresh) override;
    void manualRecognitionStarting() override;
    void sessionStatisticsChanged() override;
    void translationEnded(const TranslationOutcome& outcome) override;
    void panelLinesChanged() override;

    void renderSettingsPage();

private:
    void wireMainWindow();
    void notify(const QString& text);
    void showProviderInUse();
    void showProviderDetails();
    void showProviders();
    void applyFirstRunChoice(FirstRunProviderChoice choice);
    void bringOverlayToFront();
    void showOverlayWhereItWas();
    std::optional<QRectF> selectedCaptureRect();

    SettingsStore m_settings;
    ProviderSelection m_selection{m_settings};
    TranslationServices m_services{m_settings, m_selection};
    AsyncHistoryAppender m_history;
    TranslationPipelineClient m_placeholderClient;
    std::unique_ptr<TranslationPipeline> m_pipeline;
    std::unique_ptr<WindowCapture> m_capture;
    std::unique_ptr<RealtimeSession> m_session;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<OverlayController> m_overlay;
    std::unique_ptr<ClipboardSource> m_clipboardSource;
    std::unique_ptr<ModeCoordinator> m_modes;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<SettingsCenterWindow> m_settingsWindow;
    std::unique_ptr<GlobalHotKeys> m_hotKeys;
    std::unique_ptr<RegionPicker> m_regionPicker;
    RegionPreviews m_regionPreviews;
    std::unique_ptr<TranslationHistoryController> m_historyController;
    std::unique_ptr<SpeechOutput> m_speech;
    std::unique_ptr<TranslationProfiles> m_profiles;
    std::unique_ptr<TranslationSettingsWindows> m_translationWindows;
    std::unique_ptr<QuickStartGuide> m_quickStartGuide;
    QPointer<SettingsPageHomeProviders> m_homeProvidersPage;
    std::unique_ptr<SettingsHelp> m_help;
    bool m_automaticSpeechEnabled = false;
    bool m_launching = false;
    QStringList m_launchNotices;  // said once launch has set the status line
    bool m_trayNoticeShown = false;
    QList<Provider> m_menuProviders;  // the sources the application menu lists
};

}  // namespace ovisu
