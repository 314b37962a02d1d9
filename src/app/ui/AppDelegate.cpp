#include "app/ui/AppDelegate.h"

#include "app/TargetArguments.h"
#include "app/TranslationOutcomeRecording.h"
#include "app/ui/MainWindow.h"
#include "base/AppLogger.h"
#include "base/SettingsKeys.h"
#include "capture/CaptureRegionGeometry.h"
#include "capture/RegionControls.h"
#include "capture/RealtimeStatusPresentation.h"
#include "capture/TranslationHistoryText.h"
#include "capture/WindowCapture.h"
#include "capture/WindowListing.h"
#include "engine/TranslationPipeline.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>

namespace ovisu {
namespace {

const QString kApp = QStringLiteral("app");
const QString kVersionText = QStringLiteral("1.26 (Build 1260)");

}  // namespace

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {
    m_ollama = std::make_unique<OllamaVersionProbe>(m_transport, [this] {
        return ProviderSettings::validatedEndpoint(m_pipeline->providerSettings().endpoint(m_selection.currentProvider()))
            .value_or(QUrl(QStringLiteral("http://127.0.0.1:11434")));
    });
    m_pipeline = std::make_unique<TranslationPipeline>(
        TranslationPipeline::Services{m_settings, m_selection, m_transport, &m_cache, &m_systemTranslator, m_ollama.get()},
        m_placeholderClient);
    m_capture = makeWindowCapture();
    m_session = std::make_unique<RealtimeSession>(m_settings, *m_capture, *m_pipeline, *this);
    m_pipeline->setClient(*m_session);
    m_mainWindow = std::make_unique<MainWindow>();
    wireMainWindow();
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::wireMainWindow() {
    MainWindow* window = m_mainWindow.get();
    connect(window, &MainWindow::refreshWindowsRequested, this, &AppDelegate::refreshWindows);
    connect(window, &MainWindow::targetChosen, this, &AppDelegate::targetChanged);
    connect(window, &MainWindow::translationModeChosen, this, &AppDelegate::translationModeChanged);
    connect(window, &MainWindow::primaryRegionActionRequested, this, &AppDelegate::primaryRegionAction);
    connect(window, &MainWindow::showRegionRequested, this, &AppDelegate::showRegion);
    connect(window, &MainWindow::clearRegionRequested, this, &AppDelegate::clearRegion);
    connect(window, &MainWindow::providerChosen, this, &AppDelegate::providerChanged);
    connect(window, &MainWindow::primaryActionRequested, this, &AppDelegate::primaryAction);
    connect(window, &MainWindow::manualOCRRequested, this, &AppDelegate::performManualOCR);
    connect(window, &MainWindow::errorDetailsRequested, this, &AppDelegate::showLastErrorDetails);
    connect(window, &MainWindow::overlayOpacityChosen, this, &AppDelegate::overlayWindowOpacityChanged);
}

void AppDelegate::applicationDidFinishLaunching() {
    AppLogger::shared().info(kApp, QStringLiteral("启动 ") + kVersionText + QStringLiteral("，系统 ") +
                                       QSysInfo::prettyProductName());
    m_mainWindow->setProviders(m_selection.visibleProviders(), std::max(0, m_selection.selectedIndex()));
    showProviderDetails();
    m_mainWindow->setTranslationMode(m_session->translationMode());
    m_mainWindow->setOverlayOpacity(m_settings.doubleValue(SettingsKeys::overlayWindowOpacity,
                                                           SettingsDefaults::overlayWindowOpacity));
    m_session->setRegion(CaptureRegionGeometry::restoreRegion(m_settings));
    updateRegionControlsForMode();
    refreshWindows();
    m_mainWindow->show();
}

void AppDelegate::applicationWillTerminate() {
    AppLogger::shared().info(kApp, QStringLiteral("应用退出"));
    if (m_session->isRunning()) m_session->stopTranslation();
    m_pipeline->cancelActiveTranslation(true);
    m_history.waitForPendingAppends();
}

// Window list ------------------------------------------------------------------------------

void AppDelegate::refreshWindows() {
    m_mainWindow->setStatusText(QStringLiteral("正在读取窗口…"));
    const auto targets = eligibleTargets(*m_capture);
    if (!targets) {
        realtimeStateChanged(RealtimeTranslationState::error(QStringLiteral("读取窗口失败：") + targets.error()));
        return;
    }
    m_targets = *targets;
    QStringList titles;
    for (const auto& target : m_targets) titles << target.title;
    const RememberedTarget remembered = WindowListing::rememberedTarget(m_settings);
    const auto current = m_session->selectedTarget() ? std::optional(m_session->selectedTarget()->windowID()) : std::nullopt;
    const auto index = WindowListing::chooseSelection(m_targets, current, remembered.windowID, remembered.title);
    m_mainWindow->setTargets(titles, index ? static_cast<int>(*index) : -1);
    if (index) m_session->setTarget(m_targets[*index]);
    AppLogger::shared().info(QStringLiteral("capture"), QStringLiteral("找到 %1 个可选窗口").arg(m_targets.size()));
    realtimeStateChanged(RealtimeTranslationState::idle());
}

void AppDelegate::targetChanged(int index) {
    if (index < 0 || index >= m_targets.size()) return;
    if (m_session->isRunning()) m_session->stopTranslation();
    const TargetWindow& target = m_targets[index];
    m_session->setTarget(target);
    // A region belongs to the window it was marked on.
    m_session->setRegion(std::nullopt);
    if (const auto stored = WindowListing::rememberTarget(m_settings, target); !stored)
        AppLogger::shared().error(kApp, stored.error());
    std::optional<QRectF> none;
    if (const auto persisted = CaptureRegionGeometry::persistRegion(m_settings, none); !persisted)
        AppLogger::shared().error(kApp, persisted.error());
    updateRegionControlsForMode();
}

void AppDelegate::targetChangedIfNeeded() {
    const int index = m_mainWindow->selectedTargetIndex();
    if (index >= 0 && index < m_targets.size()) m_session->setTarget(m_targets[index]);
}

void AppDelegate::translationModeChanged(TranslationMode mode) {
    m_session->translationModeChanged(mode);
    m_mainWindow->setTranslationMode(mode);
    updateRegionControlsForMode();
}

// Region ----------------------------------------------------------------------------------

void AppDelegate::primaryRegionAction() {
    targetChangedIfNeeded();
    if (!m_session->selectedTarget()) {
        m_mainWindow->setStatusText(QStringLiteral("请先选择目标窗口"));
        return;
    }
    m_mainWindow->setStatusText(QStringLiteral("框选器尚未接入"));
}

void AppDelegate::saveRegion(const QRectF& normalizedRegion) {
    m_session->setRegion(normalizedRegion);
    m_mainWindow->setStatusText(QStringLiteral("字幕区域已保存"));
    if (m_session->selectedTarget()) {
        if (const auto stored = WindowListing::rememberTarget(m_settings, *m_session->selectedTarget()); !stored)
            AppLogger::shared().error(kApp, stored.error());
    }
    std::optional<QRectF> region = normalizedRegion;
    if (const auto persisted = CaptureRegionGeometry::persistRegion(m_settings, region); !persisted)
        AppLogger::shared().error(kApp, persisted.error());
    m_session->setRegion(region);
    updateRegionControlsForMode();
}

void AppDelegate::showRegion() {
    targetChangedIfNeeded();
    if (!m_session->selectedTarget() || !m_session->normalizedRegion()) {
        m_mainWindow->setStatusText(QStringLiteral("尚未框选字幕区域"));
        return;
    }
}

void AppDelegate::clearRegion() {
    m_session->setRegion(std::nullopt);
    std::optional<QRectF> none;
    if (const auto persisted = CaptureRegionGeometry::persistRegion(m_settings, none); !persisted)
        AppLogger::shared().error(kApp, persisted.error());
    m_mainWindow->setStatusText(QStringLiteral("字幕区域已删除"));
    updateRegionControlsForMode();
}

void AppDelegate::updateRegionControlsForMode() {
    m_mainWindow->setRegionControls(
        RegionControls::make(m_session->translationMode(), m_session->normalizedRegion().has_value(), 0, 0));
}

// Source ----------------------------------------------------------------------------------

void AppDelegate::providerChanged(Provider provider) {
    m_selection.providerChanged(provider);
    showProviderDetails();
    refreshStatusMenu();
}

void AppDelegate::showProviderDetails() {
    const Provider provider = m_selection.currentProvider();
    m_mainWindow->setProviderDetails(
        ProviderCatalogue::note(provider),
        m_pipeline->providerSettings().providerConfigurationIssue(provider).value_or(QStringLiteral("可以使用")));
}

// Session ---------------------------------------------------------------------------------

void AppDelegate::primaryAction() {
    if (RealtimeStatusPresentation::primaryActionOpensPermissionHelp(m_session->state())) {
        QMessageBox::information(m_mainWindow.get(), QStringLiteral("需要屏幕录制权限"),
                                 QStringLiteral("Ovisu只读取你选择的游戏窗口和字幕区域。请确认当前桌面会话可以访问 X11 显示（DISPLAY）。"));
        return;
    }
    targetChangedIfNeeded();
    m_session->toggleTranslation();
    refreshStatusMenu();
}

void AppDelegate::performManualOCR() {
    targetChangedIfNeeded();
    m_session->performManualOCR();
}

void AppDelegate::showLastErrorDetails() {
    const QString message = m_session->lastErrorMessage();
    if (message.isEmpty()) return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("Ovisu错误详情"), message, QMessageBox::NoButton,
                    m_mainWindow.get());
    box.addButton(QStringLiteral("打开使用帮助"), QMessageBox::HelpRole);
    box.addButton(QStringLiteral("关闭"), QMessageBox::RejectRole);
    box.exec();
}

void AppDelegate::overlayWindowOpacityChanged(double opacity) {
    const double clamped = std::clamp(opacity, 0.1, 1.0);
    if (const auto stored = m_settings.setDouble(SettingsKeys::overlayWindowOpacity, clamped); !stored)
        AppLogger::shared().error(kApp, stored.error());
}

void AppDelegate::refreshStatusMenu() {}

// What the session reports ------------------------------------------------------------------

void AppDelegate::realtimeStateChanged(const RealtimeTranslationState& state) {
    const auto presentation = RealtimeStatusPresentation::make(state, false);
    const QString lastError = m_session->lastErrorMessage();
    m_mainWindow->setStatus(presentation.text, presentation.tone,
                            RealtimeStatusPresentation::clearsToolTip(presentation.tone) ? QString() : state.message);
    if (state.isError())
        m_mainWindow->setErrorDetailsButton(true, QStringLiteral("错误详情…"));
    else
        m_mainWindow->setErrorDetailsButton(!lastError.isEmpty(), QStringLiteral("上次错误…"));
    m_mainWindow->setPrimaryActionTitle(RealtimeStatusPresentation::primaryActionTitle(state, m_session->isRunning()));
    m_mainWindow->setTargetPopupEnabled(!m_session->isRunning());
    refreshStatusMenu();
}

void AppDelegate::statusLabelChanged(const QString& text) { m_mainWindow->setStatusText(text); }

void AppDelegate::sessionStarting(bool fresh) { (void)fresh; }

void AppDelegate::sessionStatisticsChanged() {
    const SessionStatistics& statistics = m_pipeline->statistics();
    m_mainWindow->setStatistics(sessionStatsText(m_session->sessionStartedAt(), QDateTime::currentDateTime(),
                                                 statistics.translationCount, statistics.durationTotal,
                                                 statistics.latestDuration));
}

void AppDelegate::translationEnded(const TranslationOutcome& outcome) { recordTranslationOutcome(outcome, m_history); }

void AppDelegate::translationHistoryChanged() {}

}  // namespace ovisu
