#include "app/ui/AppDelegate.h"

#include "base/ApplicationVersion.h"
#include "base/DisplaySession.h"
#include "capture/DisplayScreens.h"
#include "app/ui/InterfaceWindows.h"
#include "local/ui/LocalModelManagerWindow.h"
#include "interface/ui/InterfaceLabels.h"

#include "app/DesktopComponents.h"
#include "app/DiagnosticExport.h"
#include "app/TargetArguments.h"
#include "app/TranslationOutcomeRecording.h"
#include "app/ui/ApplicationMenu.h"
#include "app/ui/HelpDialogs.h"
#include "app/ui/RegionWorkflow.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QuickStartGuide.h"
#include "app/ui/SettingsCenterWindow.h"
#include "app/ui/SettingsPageHomeProviders.h"
#include "app/ui/SettingsPageInterfaceLabels.h"
#include "app/ui/SettingsPageTranslation.h"
#include "app/ui/StatusItem.h"
#include "base/AppLogger.h"
#include "base/SettingsKeys.h"
#include "diagnostics/ui/SoftwareLogPage.h"
#include "history/LatestTranslationActions.h"
#include "history/SpeechOutput.h"
#include "overlay/ui/OverlayController.h"
#include "history/ui/TranslationHistoryWindow.h"
#include "capture/RegionControls.h"
#include "capture/RealtimeStatusPresentation.h"
#include "history/TranslationHistoryText.h"
#include "capture/WindowCapture.h"
#include "capture/WindowListing.h"
#include "dialogue/TranslationPipeline.h"
#include "engine/TranslationProfiles.h"
#include "engine/ui/ProviderSettingsWindow.h"
#include "engine/ui/TranslationSettingsWindows.h"
#include "base/ui/WindowPresentation.h"

#include <QPushButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimer>

namespace ovisu {
namespace {

const QString kApp = QStringLiteral("app");

QString translationModeTitle(TranslationMode mode) {
    return mode == TranslationMode::interface ? QStringLiteral("界面模式") : QStringLiteral("对白模式");
}

}  // namespace

AppDelegate::AppDelegate(DesktopComponents& parts, QObject* parent) : QObject(parent), m_parts(parts) {
    m_mainWindow = std::make_unique<MainWindow>();
    m_help = std::make_unique<SettingsHelp>(m_mainWindow.get());
    m_region = std::make_unique<RegionWorkflow>(*m_mainWindow, m_parts.modes, m_parts.session, m_parts.interfaceMode);
    m_overlay = std::make_unique<OverlayController>(
        m_settings, [this]() -> const QList<TranslationHistoryRecord>& { return m_parts.pipeline.panelLines(); });
    m_overlay->setSessionTrimmer([this](int limit) { m_parts.pipeline.trimPanelLines(limit); });
    // Interface translations are painted over the game from now on.
    m_interfaceWindows = std::make_unique<InterfaceWindows>(
        m_settings, m_parts.modes, m_parts.interfaceMode,
        InterfaceWindows::Shell{
            [this](TranslationMode mode) { translationModeChanged(mode); },
            [this](const QString& text) { m_mainWindow->setStatusText(text); },
            [this](std::function<void(const QRectF&)> picked) {
                m_region->pickOnStill(QStringLiteral("UI 区域"), QStringLiteral("未知错误"), std::move(picked));
            },
            [this] { renderSettingsPage(); }});
    m_parts.interfaceOverlays.setPainter(&m_interfaceWindows->labels());
    m_region->setUIRegionEditorOpener([this] { m_interfaceWindows->openUIRegionEditor(); });
    connect(&m_parts.modes, &ModeCoordinator::regionChanged, m_interfaceWindows.get(), &InterfaceWindows::uiRegionsChanged);
    connect(&m_parts.sessionEvents, &SessionEvents::interfaceTargetMoved, m_interfaceWindows.get(),
            &InterfaceWindows::targetGeometryChanged);
    connect(m_overlay.get(), &OverlayController::overlayVisibilityChanged, this, &AppDelegate::refreshStatusMenu);
    connect(m_overlay.get(), &OverlayController::overlayClickThroughChanged, this, &AppDelegate::refreshStatusMenu);
    connect(m_overlay.get(), &OverlayController::overlayBehaviorApplied, this, &AppDelegate::refreshStatusMenu);
    connect(m_overlay.get(), &OverlayController::windowOpacityChanged, this, [this](double opacity) {
        m_mainWindow->setOverlayOpacity(opacity);
        renderSettingsPage();
    });
    connect(m_overlay.get(), &OverlayController::settingsWriteFailed, this,
            [](const QString& error) { AppLogger::shared().error(kApp, error); });
    m_statusItem = std::make_unique<StatusItem>(*this);
    connect(m_parts.hotKeys.get(), &GlobalHotKeys::hotKeyPressed, this, &AppDelegate::handleGlobalHotKey);
    m_historyController = std::make_unique<TranslationHistoryController>(TranslationHistoryStore::defaultFilePath());
    connect(&m_parts.modes, &ModeCoordinator::overlayWanted, this, [this] {
        m_overlay->createOverlayIfNeeded();
        m_overlay->bringToFront();
    });
    connect(&m_parts.modes, &ModeCoordinator::settingsChanged, this, &AppDelegate::renderSettingsPage);
    connect(&m_parts.modes, &ModeCoordinator::statusMenuStale, this, &AppDelegate::refreshStatusMenu);
    const SessionEvents* events = &m_parts.sessionEvents;
    connect(events, &SessionEvents::stateChanged, this, &AppDelegate::realtimeStateChanged);
    connect(events, &SessionEvents::statusText, this, [this](const QString& text) { m_mainWindow->setStatusText(text); });
    connect(events, &SessionEvents::starting, this, &AppDelegate::sessionStarting);
    connect(events, &SessionEvents::manualRecognitionStarts, this,
            [this] { m_overlay->presentWhereItWas(m_parts.modes.subtitleRectOnScreen()); });
    connect(events, &SessionEvents::statisticsChanged, this, &AppDelegate::sessionStatisticsChanged);
    connect(events, &SessionEvents::translationFinished, this, &AppDelegate::translationEnded);
    connect(events, &SessionEvents::linesChanged, this, [this] { m_overlay->sessionListChanged(); });
    connect(events, &SessionEvents::windowNotCapturable, this, [this] {
        m_mainWindow->showCaptureExplanationOnce(captureFailureExplanation(DisplaySessionEnvironment::current()));
    });
    m_translationWindows = std::make_unique<TranslationSettingsWindows>(
        m_settings, m_selection, m_parts.pipeline.providerSettings(), m_parts.profiles,
        m_parts.services.connectionTestServices(), *this);
    connect(&m_parts.local, &LocalServices::serviceRowChanged, this, &AppDelegate::localServiceRowChanged);
    // A finished download may have completed the model the source window shows.
    connect(&m_parts.local.downloads(), &LocalModelDownloads::finished, this, [this] {
        if (ProviderSettingsWindow* window = m_translationWindows->providerSettingsWindow())
            localServiceRowChanged(window->providerSettingsProvider());
    });
    m_automaticSpeechEnabled =
        m_settings.boolValue(SettingsKeys::automaticSpeechEnabled, SettingsDefaults::automaticSpeechEnabled);
    wireMainWindow();
}

AppDelegate::~AppDelegate() { m_parts.interfaceOverlays.setPainter(nullptr); }

void AppDelegate::wireMainWindow() {
    MainWindow* window = m_mainWindow.get();
    connect(window, &MainWindow::refreshWindowsRequested, this, &AppDelegate::refreshWindows);
    connect(window, &MainWindow::targetChosen, this, &AppDelegate::targetChanged);
    connect(window, &MainWindow::translationModeChosen, this, &AppDelegate::translationModeChanged);
    connect(window, &MainWindow::providerChosen, this, &AppDelegate::providerChanged);
    connect(window, &MainWindow::primaryActionRequested, this, &AppDelegate::primaryAction);
    connect(window, &MainWindow::manualOCRRequested, this, &AppDelegate::performManualOCR);
    connect(window, &MainWindow::errorDetailsRequested, this, &AppDelegate::showLastErrorDetails);
    connect(window, &MainWindow::overlayOpacityChosen, m_overlay.get(), &OverlayController::overlayWindowOpacityChanged);
    connect(window, &MainWindow::historyRequested, this, &AppDelegate::openTranslationHistory);
    connect(window, &MainWindow::settingsRequested, this, &AppDelegate::openSettingsCenter);
    connect(window, &MainWindow::providerSettingsRequested, this, &AppDelegate::openProviderSettings);
}

void AppDelegate::applicationDidFinishLaunching() {
    AppLogger::shared().info(kApp, QStringLiteral("启动 ") + applicationVersionText() + QStringLiteral("，系统 ") +
                                       QSysInfo::prettyProductName());
    m_launching = true;
    showProviders();
    m_mainWindow->setTranslationMode(m_parts.modes.translationMode());
    m_mainWindow->setOverlayOpacity(m_settings.doubleValue(SettingsKeys::overlayWindowOpacity,
                                                           SettingsDefaults::overlayWindowOpacity));
    configureStatusItem();
    configureGlobalHotKeys();
    m_parts.modes.restoreAtLaunch();
    m_region->updateRegionControls();
    refreshWindows();
    AppLogger::shared().info(kApp, QStringLiteral("翻译模式：") + translationModeTitle(m_parts.modes.translationMode()) +
                                       QStringLiteral("；剪贴板监听：") +
                                       (m_parts.modes.clipboard().clipboardMonitoringEnabled() ? QStringLiteral("开启")
                                                                                         : QStringLiteral("关闭")));
    m_launching = false;
    // The window list has set the status line; what launch found worth saying goes after it,
    // unless windows cannot be seen at all: that guidance is what the user must act on first
    // (the notices are in the log).
    if (!m_launchNotices.isEmpty() && !m_parts.modes.realtimeState().isCaptureUnavailable())
        m_mainWindow->setStatusText(m_launchNotices.join(QStringLiteral("；")));
    m_launchNotices.clear();
    m_mainWindow->show();
    if (firstRunGuidePending(m_settings)) QTimer::singleShot(0, this, &AppDelegate::showQuickStartGuide);
}

void AppDelegate::showQuickStartGuide() {
    if (!m_quickStartGuide) {
        m_quickStartGuide = std::make_unique<QuickStartGuide>();
        connect(m_quickStartGuide.get(), &QuickStartGuide::providerChoiceMade, this, &AppDelegate::applyFirstRunChoice);
        connect(m_quickStartGuide.get(), &QuickStartGuide::skipped, this, [this] {
            if (const auto stored = storeFirstRunAnswer(m_settings, std::nullopt); !stored)
                AppLogger::shared().error(kApp, stored.error());
        });
    }
    centreOnScreen(*m_quickStartGuide);
    bringToFront(*m_quickStartGuide);
}

void AppDelegate::applyFirstRunChoice(FirstRunProviderChoice choice) {
    if (const auto stored = storeFirstRunAnswer(m_settings, choice); !stored) AppLogger::shared().error(kApp, stored.error());
    const FirstRunPlan plan = firstRunPlan(choice);
    if (!m_selection.enabledProviders().contains(plan.provider)) m_selection.providerVisibilityChanged(plan.provider, true);
    m_selection.providerChanged(plan.provider);
    translationSourcesChanged();
    m_mainWindow->setStatusText(QStringLiteral("已选择翻译源：") + ProviderCatalogue::title(plan.provider));
    if (plan.opensProviderSettings) openProviderSettings();
}

void AppDelegate::presentManualCorrection(const QString& source) { m_interfaceWindows->presentManualCorrection(source); }

void AppDelegate::openInterfaceTranslationCenter() { m_interfaceWindows->openInterfaceTranslationCenter(); }

void AppDelegate::applicationWillTerminate() {
    AppLogger::shared().info(kApp, QStringLiteral("应用退出"));
    m_parts.modes.prepareForQuit();
    m_parts.history.waitForPendingAppends();
    m_parts.hotKeys->unregisterGlobalHotKeys();
}

// Something the player should know that is not a state (a taken hot key, a missing tray): on
// the status line (after launch has set it) and in the log.
void AppDelegate::notify(const QString& text) {
    AppLogger::shared().warning(kApp, text);
    if (m_launching)
        m_launchNotices << text;
    else
        m_mainWindow->setStatusText(text);
}

// Window list ------------------------------------------------------------------------------

void AppDelegate::refreshWindows() {
    m_mainWindow->setStatusText(QStringLiteral("正在读取窗口…"));
    if (const auto list = m_parts.modes.refreshTargets()) m_mainWindow->setTargets(list->titles, list->selectedIndex);
}


void AppDelegate::targetChanged(int index) {
    m_parts.modes.chooseTarget(index);
    m_interfaceWindows->refreshInterfaceTranslationCenter();
}

void AppDelegate::targetChangedIfNeeded() {
    m_parts.modes.followChosenTarget(m_mainWindow->selectedTargetIndex());
    m_interfaceWindows->refreshInterfaceTranslationCenter();
}

void AppDelegate::translationModeChanged(TranslationMode mode) {
    m_parts.modes.changeMode(mode);
    m_mainWindow->setTranslationMode(mode);
    m_region->updateRegionControls();
    m_interfaceWindows->refreshInterfaceTranslationCenter();
}

// Source ----------------------------------------------------------------------------------

void AppDelegate::providerChanged(Provider provider) {
    m_selection.providerChanged(provider);
    m_parts.modes.translationSourceChanged();
    showCurrentProviderInApplicationMenu(*m_mainWindow, m_selection.currentProvider());
    showProviderDetails();
    refreshStatusMenu();
}

void AppDelegate::showProviders() {
    const QList<Provider> visible = m_selection.visibleProviders();
    if (visible != m_menuProviders) {
        buildApplicationMenu(*m_mainWindow, *this, visible);
        m_menuProviders = visible;
    }
    showCurrentProviderInApplicationMenu(*m_mainWindow, m_selection.currentProvider());
    m_mainWindow->setProviders(visible, std::max(0, m_selection.selectedIndex()));
    showProviderDetails();
}

// The pipeline's automatic fallback makes another source current behind the views' backs; every
// view follows the source actually in use.
void AppDelegate::showProviderInUse() {
    const Provider current = m_selection.currentProvider();
    if (m_mainWindow->shownProvider() == current && m_selection.visibleProviders() == m_menuProviders) return;
    showProviders();
    refreshStatusMenu();
    notify(QStringLiteral("已切换到备用翻译源：") + ProviderCatalogue::title(current));
}

void AppDelegate::showProviderDetails() {
    const Provider provider = m_selection.currentProvider();
    m_mainWindow->setProviderDetails(
        ProviderCatalogue::note(provider),
        m_parts.pipeline.providerSettings().providerConfigurationIssue(provider).value_or(QStringLiteral("可以使用")));
}

// Session ---------------------------------------------------------------------------------

void AppDelegate::primaryAction() {
    if (RealtimeStatusPresentation::primaryActionOpensPermissionHelp(m_parts.modes.realtimeState())) {
        showScreenCapturePermissionHelp();
        return;
    }
    toggleTranslation();
}

void AppDelegate::performManualOCR() {
    targetChangedIfNeeded();
    m_parts.modes.performManualOCR();
}


void AppDelegate::configureStatusItem() {
    const bool enabled = m_settings.boolValue(SettingsKeys::menuBarIconEnabled, SettingsDefaults::menuBarIconEnabled);
    const bool trayAvailable = StatusItem::systemTrayAvailable();
    m_statusItem->configure(enabled);
    // With a tray icon the program keeps running without windows; without one (turned off, or a
    // desktop with no tray, as stock GNOME), closing the main window quits, or nothing could
    // bring the program back.
    QApplication::setQuitOnLastWindowClosed(!StatusMenuPresentation::keepsRunningWithoutWindows(enabled, trayAvailable));
    if (enabled && !trayAvailable && !m_trayNoticeShown) {
        m_trayNoticeShown = true;
        notify(StatusMenuPresentation::trayUnavailableNotice());
    }
    refreshStatusMenu();
}

void AppDelegate::configureGlobalHotKeys() {
    const bool enabled = m_settings.boolValue(SettingsKeys::globalHotKeysEnabled, SettingsDefaults::globalHotKeysEnabled);
    m_parts.hotKeys->configure(enabled);
    if (!enabled) return;
    if (const QString reason = m_parts.hotKeys->unavailableReason(); !reason.isEmpty())
        AppLogger::shared().warning(kApp, reason);
    if (const QStringList taken = m_parts.hotKeys->refusedShortcuts(); !taken.isEmpty()) notify(hotKeysTakenMessage(taken));
}

void AppDelegate::handleGlobalHotKey(int id) {
    switch (id) {
    case hotKeyToggleTranslation: toggleTranslation(); return;
    case hotKeyToggleOverlay: toggleOverlayVisibility(); return;
    case hotKeySelectRegion:
        showMainWindow();
        m_region->primaryRegionAction();
        return;
    default: return;
    }
}

void AppDelegate::refreshStatusMenu() {
    if (!m_statusItem->exists()) return;
    StatusMenuPresentation::Inputs inputs;
    inputs.state = m_parts.modes.realtimeState();
    inputs.realtimeSessionRunning = m_parts.modes.isRealtimeSessionRunning();
    inputs.clipboardPolling = m_parts.modes.clipboard().isPolling();
    inputs.clipboardMonitoringEnabled = m_parts.modes.clipboard().clipboardMonitoringEnabled();
    inputs.overlayVisible = m_overlay->isOverlayVisible();
    inputs.overlayClickThrough = m_overlay->isOverlayClickThrough();
    inputs.automaticSpeechEnabled = m_automaticSpeechEnabled;
    QStringList profileNames;
    for (const auto& profile : m_parts.profiles.profiles()) profileNames << profile.name;
    m_statusItem->refresh(StatusMenuPresentation::make(inputs), StatusMenuPresentation::providerItems(m_selection),
                          profileNames);
}

// Shell actions -----------------------------------------------------------------------------

void AppDelegate::toggleTranslation() {
    targetChangedIfNeeded();
    m_parts.modes.toggleTranslation();
    refreshStatusMenu();
}

void AppDelegate::toggleOverlayVisibility() {
    m_overlay->toggleOverlayVisibility();
    refreshStatusMenu();
}

void AppDelegate::toggleOverlayClickThrough() {
    m_overlay->toggleOverlayClickThrough();
    refreshStatusMenu();
}

void AppDelegate::toggleClipboardMonitoring() {
    m_parts.modes.clipboard().toggleClipboardMonitoring();
    showClipboardMonitoringInApplicationMenu(*m_mainWindow, m_parts.modes.clipboard().clipboardMonitoringEnabled());
    renderSettingsPage();
}

void AppDelegate::renderSettingsPage() {
    if (m_settingsWindow && m_settingsWindow->isVisible()) m_settingsWindow->renderSettingsPage();
}

void AppDelegate::toggleClipboardStrictDetection() { m_parts.modes.clipboard().toggleClipboardStrictDetection(); }

void AppDelegate::resetTranslationContext() {
    m_parts.pipeline.resetTranslationContext();
    m_mainWindow->setStatusText(QStringLiteral("翻译上下文已重置，保存的历史记录未删除"));
}



void AppDelegate::toggleAutomaticSpeech() {
    m_automaticSpeechEnabled = !m_automaticSpeechEnabled;
    if (const auto stored = m_settings.setBool(SettingsKeys::automaticSpeechEnabled, m_automaticSpeechEnabled); !stored)
        AppLogger::shared().error(kApp, stored.error());
    if (!m_automaticSpeechEnabled) m_parts.speech->stop();
    renderSettingsPage();
    refreshStatusMenu();
}

void AppDelegate::statusMenuSelectRegion() {
    showMainWindow();
    m_region->primaryRegionAction();
}

void AppDelegate::selectProvider(Provider provider) {
    m_selection.providerChanged(provider);
    showProviders();
    refreshStatusMenu();
}

void AppDelegate::statusMenuApplyProfile(const QString& name) { applyTranslationProfile(name); }

void AppDelegate::copyLatestTranslation() {
    if (!ovisu::copyLatestTranslation(m_parts.pipeline.panelLines(), TranslationHistoryStore())) QApplication::beep();
}

void AppDelegate::speakLatestTranslation() {
    if (ovisu::speakLatestTranslation(m_parts.pipeline.panelLines(), TranslationHistoryStore(), *m_parts.speech) ==
        SpeakLatestOutcome::noTranslation)
        QApplication::beep();
}

void AppDelegate::speakTranslationText(const QString& text) {
    if (const auto spoken = m_parts.speech->speak(text); !spoken)
        AppLogger::shared().warning(QStringLiteral("speech"), spoken.error());
}

void AppDelegate::showMainWindow() {
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void AppDelegate::openSettingsCenter() {
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<SettingsCenterWindow>(m_settings, *this, *m_overlay, m_parts.session);
        m_settingsWindow->addPage(QStringLiteral("翻译"), new SettingsPageTranslation(m_settings, m_parts.profiles, *this));
        m_homeProvidersPage = new SettingsPageHomeProviders(m_selection, *this);
        m_settingsWindow->addPage(QStringLiteral("主页翻译源"), m_homeProvidersPage);
        m_settingsWindow->addSettingsPage(QStringLiteral("界面译文样式"),
                                          new SettingsPageInterfaceLabels(m_settings, *m_interfaceWindows));
        m_settingsWindow->addPage(QStringLiteral("软件日志"), new SoftwareLogPage(AppLogger::shared(), *this));
    }
    m_settingsWindow->renderSettingsPage();
    m_settingsWindow->present();
}


// Software log --------------------------------------------------------------------------------

QString AppDelegate::softwareDiagnosticText() {
    return ovisu::softwareDiagnosticText(liveDiagnosticSnapshot(m_parts, m_overlay->isOverlayVisible()));
}

std::expected<void, QString> AppDelegate::exportDiagnosticPackage(const QString& destination) {
    return ovisu::exportDiagnosticPackage(liveDiagnosticSnapshot(m_parts, m_overlay->isOverlayVisible()),
                                          m_parts.pipeline.providerSettings(), destination);
}

std::expected<void, QString> AppDelegate::openFolder(const QString& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return std::unexpected(QStringLiteral("没有能打开该目录的文件管理器：") + path);
    return {};
}

// Linux has no common way to select a file in the file browser; its folder is the next best.
void AppDelegate::revealInFileBrowser(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void AppDelegate::openTranslationHistory() { m_historyController->openTranslationHistory(); }
void AppDelegate::exportTranslationHistory() { m_historyController->exportTranslationHistory(); }

void AppDelegate::openProviderSettings() { m_translationWindows->openProviderSettings(); }
void AppDelegate::openAILocalizationSettings() { m_translationWindows->openAILocalizationSettings(); }
void AppDelegate::openTranslationSettings() { m_translationWindows->openTranslationSettings(); }
void AppDelegate::openProviderManager() { m_translationWindows->openProviderManager(); }


void AppDelegate::showLastErrorDetails() {
    const QString message = m_parts.modes.lastErrorMessage();
    if (!message.isEmpty()) showErrorDetails(m_mainWindow.get(), message, [this] { openSettingsHelp(); });
}

void AppDelegate::openSettingsHelp() { m_help->present(); }
void AppDelegate::showScreenCapturePermissionHelp() { ovisu::showScreenCapturePermissionHelp(m_mainWindow.get()); }
void AppDelegate::openLocalModelDownload(Provider provider) {
    LocalServices& local = m_parts.local;
    if (!m_localModelManager)
        m_localModelManager = std::make_unique<LocalModelManagerWindow>(m_settings, local.catalogue(), local.downloads(),
                                                                         local.ollama());
    m_localModelManager->presentLocalModelManager(provider);
}

std::optional<LocalServiceRow> AppDelegate::localServiceRow(Provider provider) {
    return m_parts.local.serviceRow(provider);
}

void AppDelegate::toggleLocalService(Provider provider) { m_parts.local.toggleService(provider); }

// The source configuration window shows the row of the source it edits; a started server has
// stored the model name it announces.
void AppDelegate::localServiceRowChanged(Provider provider) {
    ProviderSettingsWindow* window = m_translationWindows->providerSettingsWindow();
    if (!window || window->providerSettingsProvider() != provider) return;
    window->refreshLocalServiceRow();
    if (m_parts.local.llamaServers().isRunning(provider)) window->showStoredModel();
}

void AppDelegate::quitApplication() { QApplication::quit(); }

// Translation settings windows ----------------------------------------------------------------

void AppDelegate::showTranslationStatus(const QString& message) { m_mainWindow->setStatusText(message); }

void AppDelegate::translationSourcesChanged() {
    showProviders();
    refreshStatusMenu();
    m_translationWindows->translationSourcesChanged();
    if (m_homeProvidersPage && m_homeProvidersPage->isVisible()) m_homeProvidersPage->render();
}

void AppDelegate::providerFieldsSaved(Provider provider) {
    if (provider == m_selection.currentProvider()) showProviderDetails();
}

void AppDelegate::applyTranslationProfile(const QString& name) {
    const auto applied = m_parts.modes.applyTranslationProfile(name);
    if (!applied) {
        QApplication::beep();
        if (!applied.error().isEmpty()) m_mainWindow->setStatusText(applied.error());
        return;
    }
    m_translationWindows->closeAfterProfileApplied();
    m_mainWindow->setStatusText(*applied);
    translationSourcesChanged();
}

void AppDelegate::translationProfilesChanged() { refreshStatusMenu(); }


void AppDelegate::openExternalURL(const QUrl& url) {
    if (!QDesktopServices::openUrl(url))
        m_mainWindow->setStatusText(QStringLiteral("无法打开浏览器，请手动访问：") + url.toString());
}


// What the session reports ------------------------------------------------------------------

void AppDelegate::realtimeStateChanged(const RealtimeTranslationState& state) {
    const auto presentation = RealtimeStatusPresentation::make(state, m_parts.modes.clipboard().clipboardMonitoringEnabled());
    const QString lastError = m_parts.modes.lastErrorMessage();
    m_mainWindow->setStatus(presentation.text, presentation.tone,
                            RealtimeStatusPresentation::clearsToolTip(presentation.tone) ? QString() : state.message);
    if (state.isError())
        m_mainWindow->setErrorDetailsButton(true, QStringLiteral("错误详情…"));
    else
        m_mainWindow->setErrorDetailsButton(!lastError.isEmpty(), QStringLiteral("上次错误…"));
    m_mainWindow->setPrimaryActionTitle(RealtimeStatusPresentation::primaryActionTitle(state, m_parts.modes.isRealtimeSessionRunning()));
    m_mainWindow->setTargetPopupEnabled(!m_parts.modes.isRealtimeSessionRunning());
    showClipboardMonitoringInApplicationMenu(*m_mainWindow, m_parts.modes.clipboard().clipboardMonitoringEnabled());
    refreshStatusMenu();
    showProviderInUse();
}

void AppDelegate::sessionStarting(bool fresh) {
    m_parts.modes.realtimeSessionStarting();
    m_overlay->presentForSession(fresh, m_parts.modes.subtitleRectOnScreen());
}

void AppDelegate::sessionStatisticsChanged() {
    const SessionStatistics& statistics = m_parts.pipeline.statistics();
    m_mainWindow->setStatistics(sessionStatsText(m_parts.modes.sessionStartedAt(), QDateTime::currentDateTime(),
                                                 statistics.translationCount, statistics.durationTotal,
                                                 statistics.latestDuration));
}

void AppDelegate::translationEnded(const TranslationOutcome& outcome) {
    recordTranslationOutcome(outcome, m_parts.history, this, [this](const QList<TranslationHistoryRecord>& history) {
        m_historyController->refreshIfVisible(history);
    });
    if (outcome.succeeded()) m_overlay->showOverlay();
    if (outcome.succeeded() && m_automaticSpeechEnabled) speakTranslationText(outcome.record->translation);
    showProviderInUse();
}


}  // namespace ovisu
