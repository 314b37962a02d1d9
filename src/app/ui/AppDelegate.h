#pragma once

#include "app/DesktopComponents.h"
#include "app/FirstRunGuide.h"
#include "app/SettingsCenterActions.h"
#include "app/ShellActions.h"
#include "app/ui/RegionWorkflow.h"
#include "diagnostics/SoftwareLogActions.h"
#include "engine/TranslationSettingsActions.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace ovisu {

class InterfaceWindows;
class LocalModelManagerWindow;
class MainWindow;
class OverlayController;
class QuickStartGuide;
class SettingsCenterWindow;
class SettingsHelp;
class SettingsPageHomeProviders;
class StatusItem;
class TranslationHistoryController;
class TranslationSettingsWindows;

// The desktop program's composition root: it builds the windows, gives them the working parts
// (built beforehand, without a window), connects both ways, and brings the program up and down
// in order.
class AppDelegate : public QObject,
                    public ShellActions,
                    public SettingsCenterActions,
                    public TranslationSettingsActions,
                    public SoftwareLogActions {
    Q_OBJECT
public:
    explicit AppDelegate(DesktopComponents& parts, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // The first launch's quick-start guide (built when it is first shown).
    void showQuickStartGuide();

    // Operations of the main window, the menus and the hot keys.
    void refreshWindows();
    void targetChanged(int index);
    void targetChangedIfNeeded();
    void translationModeChanged(TranslationMode mode);
    // An interface label was Alt-double-clicked: the permanent correction of its text.
    void presentManualCorrection(const QString& source);
    void primaryRegionAction() { m_region->primaryRegionAction(); }
    void showRegion() { m_region->showRegion(); }
    void providerChanged(Provider provider);
    void primaryAction();
    void performManualOCR();
    void showLastErrorDetails();

    // SettingsCenterActions
    void configureStatusItem() override;
    void refreshStatusMenu();
    void configureGlobalHotKeys() override;
    void handleGlobalHotKey(int id);
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
    void openInterfaceTranslationCenter() override;
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
    std::optional<LocalServiceRow> localServiceRow(Provider provider) override;
    void toggleLocalService(Provider provider) override;
    void openExternalURL(const QUrl& url) override;
    void openAILocalizationSettings() override;
    void openTranslationSettings() override;
    void openProviderManager() override;
    void quitApplication() override;

    void renderSettingsPage();

    // SoftwareLogActions: the settings window's software-log page.
    QString softwareDiagnosticText() override;
    std::expected<void, QString> exportDiagnosticPackage(const QString& destination) override;
    std::expected<void, QString> openFolder(const QString& path) override;
    void revealInFileBrowser(const QString& path) override;

private:
    // What the session reports.
    void realtimeStateChanged(const RealtimeTranslationState& state);
    void sessionStarting(bool fresh);
    void sessionStatisticsChanged();
    void translationEnded(const TranslationOutcome& outcome);

    void wireMainWindow();
    void localServiceRowChanged(Provider provider);
    void notify(const QString& text);
    void showProviderInUse();
    void showProviderDetails();
    void showProviders();
    void applyFirstRunChoice(FirstRunProviderChoice choice);

    DesktopComponents& m_parts;
    SettingsStore& m_settings = m_parts.settings;
    ProviderSelection& m_selection = m_parts.selection;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<OverlayController> m_overlay;
    std::unique_ptr<InterfaceWindows> m_interfaceWindows;
    std::unique_ptr<LocalModelManagerWindow> m_localModelManager;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<SettingsCenterWindow> m_settingsWindow;
    std::unique_ptr<RegionWorkflow> m_region;
    std::unique_ptr<TranslationHistoryController> m_historyController;
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
