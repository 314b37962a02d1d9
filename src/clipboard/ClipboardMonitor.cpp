#include "clipboard/ClipboardMonitor.h"

#include "base/AppLogger.h"
#include "base/OCRTextCleaner.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "clipboard/ClipboardSource.h"
#include "clipboard/ClipboardTranslationCandidate.h"
#include "engine/ProviderSelection.h"
#include "dialogue/TranslationPipeline.h"

namespace ovisu {

ClipboardMonitor::ClipboardMonitor(SettingsStore& settings, TranslationPipeline& pipeline, ClipboardSource& clipboard,
                                   ClipboardMonitorClient& client, std::unique_ptr<LanguageGuess> languageGuess,
                                   QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_pipeline(pipeline),
      m_clipboard(clipboard),
      m_client(client),
      m_languageGuess(std::move(languageGuess)) {
    m_clipboardStrictJapaneseDetection = settings.boolValue(SettingsKeys::clipboardStrictJapaneseDetection,
                                                            SettingsDefaults::clipboardStrictJapaneseDetection);
    m_clipboardPollingTimer.setInterval(pollingIntervalMilliseconds);
    m_clipboardPollingTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_clipboardPollingTimer, &QTimer::timeout, this, &ClipboardMonitor::pollClipboardForTranslation);
}

ClipboardMonitor::~ClipboardMonitor() = default;

QString ClipboardMonitor::clipboardSignature(const QString& text) {
    return QStringLiteral("clipboard:") + OCRTextCleaner::comparisonForm(text);
}

std::optional<QString> ClipboardMonitor::configurationIssueMessage() {
    const Provider provider = m_pipeline.selection().currentProvider();
    const std::optional<QString> issue = m_pipeline.providerSettings().providerConfigurationIssue(provider);
    if (!issue) return std::nullopt;
    return ProviderCatalogue::title(provider) + QStringLiteral("：") + *issue;
}

void ClipboardMonitor::storeSetting(const QString& key, bool value, const QString& failure) {
    if (const auto stored = m_settings.setBool(key, value); !stored)
        AppLogger::shared().warning(QStringLiteral("clipboard"), failure + stored.error());
}

void ClipboardMonitor::storeMonitoringEnabled(bool enabled) {
    storeSetting(SettingsKeys::clipboardMonitoringEnabled, enabled, QStringLiteral("无法保存剪贴板监听设置："));
}

void ClipboardMonitor::restoreClipboardMonitoringAtLaunch() {
    if (m_settings.boolValue(SettingsKeys::clipboardMonitoringEnabled, SettingsDefaults::clipboardMonitoringEnabled))
        startClipboardMonitoring();
}

void ClipboardMonitor::startClipboardMonitoring() {
    if (const auto issue = configurationIssueMessage()) {
        // A poll left running from an earlier start would keep the mode looking alive.
        m_clipboardPollingTimer.stop();
        m_pendingClipboardText.reset();
        storeMonitoringEnabled(false);
        m_client.updateState(RealtimeTranslationState::error(*issue));
        return;
    }
    if (m_client.isRealtimeSessionRunning()) m_client.stopTranslation();

    // What is already on the clipboard was copied before the user asked: leave it alone.
    m_clipboardChangeCount = m_clipboard.changeCount();
    m_pendingClipboardText.reset();
    // The running poll is what makes the mode "on", so it starts before the hooks below ask;
    // its first tick comes from the event loop, after this returns.
    m_clipboardPollingTimer.start();
    storeMonitoringEnabled(true);
    m_client.startSessionClockIfNeeded();
    m_client.createOverlayIfNeeded();
    m_client.updateState(RealtimeTranslationState::capturing());
}

void ClipboardMonitor::stopClipboardMonitoring(bool updateState) {
    m_clipboardPollingTimer.stop();
    m_pendingClipboardText.reset();
    storeMonitoringEnabled(false);
    // Also moves the revision on, so an answer still on its way is dropped.
    m_pipeline.abandonTranslationsInFlight();
    if (updateState) m_client.updateState(RealtimeTranslationState::paused());
}

void ClipboardMonitor::suspendClipboardMonitoringForQuit() {
    m_clipboardPollingTimer.stop();
    m_pendingClipboardText.reset();
    m_pipeline.abandonTranslationsInFlight();
}

void ClipboardMonitor::toggleClipboardMonitoring() {
    if (clipboardMonitoringEnabled())
        stopClipboardMonitoring(true);
    else
        startClipboardMonitoring();
    m_client.renderSettingsPage();
    m_client.refreshStatusMenu();
}

void ClipboardMonitor::toggleClipboardStrictDetection() {
    m_clipboardStrictJapaneseDetection = !m_clipboardStrictJapaneseDetection;
    storeSetting(SettingsKeys::clipboardStrictJapaneseDetection, m_clipboardStrictJapaneseDetection,
                 QStringLiteral("无法保存严格日文检测设置："));
    m_client.renderSettingsPage();
}

void ClipboardMonitor::pollClipboardForTranslation() {
    if (!clipboardMonitoringEnabled()) return;

    if (!m_pipeline.isRequestInFlight() && m_pendingClipboardText) {
        const QString waiting = *std::exchange(m_pendingClipboardText, std::nullopt);
        submitClipboardText(waiting);
        return;
    }

    const qint64 changeCount = m_clipboard.changeCount();
    if (changeCount == m_clipboardChangeCount) return;
    m_clipboardChangeCount = changeCount;

    const std::optional<QString> text = m_clipboard.text();
    if (!text) return;
    const std::optional<QString> candidate = ClipboardTranslationCandidate::japaneseText(
        *text, m_clipboardStrictJapaneseDetection, m_languageGuess.get());
    if (!candidate) return;
    if (*candidate == m_clipboardLastText) return;
    // A translation copied out of the overlay is never sent back. The candidate has been through
    // the cleaner, so it is compared with the translation as cleaned the same way: a translation
    // with a blank line or doubled spaces would otherwise come back as a "new" text.
    for (const TranslationHistoryRecord& record : m_pipeline.panelLines())
        if (record.translation == *candidate || OCRTextCleaner::clean(record.translation) == *candidate) return;
    m_clipboardLastText = *candidate;

    if (!m_pipeline.isRequestInFlight())
        submitClipboardText(*candidate);
    else
        m_pendingClipboardText = *candidate;
}

void ClipboardMonitor::submitClipboardText(const QString& text) {
    if (const auto issue = configurationIssueMessage()) {
        // The mode stays on: the next copied text tries again, perhaps after the user fixed it.
        m_client.updateState(RealtimeTranslationState::error(*issue));
        return;
    }
    m_client.createOverlayIfNeeded();
    m_pipeline.translate(text, clipboardSignature(text), TranslationPipeline::ScreenCheck::none);
}

}  // namespace ovisu
