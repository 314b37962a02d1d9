#include "dialogue/TranslationPipeline.h"

#include "base/AppLogger.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "base/TextSimilarity.h"
#include "dialogue/DialogueCacheAccess.h"
#include "engine/DialogueCacheKey.h"
#include "engine/LocalServerStartup.h"
#include "dialogue/OverlaySessionList.h"
#include "engine/ProviderSelection.h"
#include "engine/TranslationDurationFormatter.h"
#include "engine/TranslationErrorGuide.h"
#include "engine/TranslationRecoveryPolicy.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

namespace ovisu {
namespace {

const QString kCategory = QStringLiteral("translation");
constexpr double kSimilarityThreshold = 0.9;

void count(SessionMetrics::Counter counter) { SessionMetrics::shared().increment(counter); }

}  // namespace

TranslationPipeline::TranslationPipeline(Services services, QObject* parent)
    : QObject(parent),
      m_settings(services.settings),
      m_selection(services.selection),
      m_cache(services.cache),
      m_localServers(services.localServers),
      m_client(&m_noClient),
      m_providerSettings(services.settings, [this] { return m_panelLines; }),
      m_service(services.settings, m_providerSettings, services.transport, services.systemTranslator) {}

TranslationPipeline::TranslationPipeline(Services services, TranslationPipelineClient& client, QObject* parent)
    : TranslationPipeline(services, parent) {
    m_client = &client;
}

TranslationPipeline::~TranslationPipeline() = default;

bool TranslationPipeline::isRequestInFlight() const { return m_activeRequest && m_service.isActive(*m_activeRequest); }

void TranslationPipeline::setActivity(TranslationActivity activity, const QString& message) {
    m_client->translationActivityChanged(activity, message);
}

void TranslationPipeline::translate(const QString& text, const QString& signature, ScreenCheck check) {
    // A new text may fall back again; the same text, or its fallback retry, may not.
    if (signature != m_activeTranslationSignature && signature != m_fallbackAttemptedSignature)
        m_fallbackAttemptedSignature.clear();

    const Provider provider = m_selection.currentProvider();
    const bool startsServer = m_localServers && m_providerSettings.startsLocalServer(provider);
    const QUrl localServer = startsServer ? m_providerSettings.localServer(provider) : QUrl();
    if (startsServer && !m_localServers->isReady(localServer)) {
        setActivity(TranslationActivity::translating);
        QPointer<TranslationPipeline> self(this);
        m_localServers->whenReady(localServer, [self, text, signature, provider, check](std::optional<QString> error) {
            if (!self || self->m_selection.currentProvider() != provider) return;
            if (!error) {
                self->translate(text, signature, check);
                return;
            }
            const QString message = ProviderCatalogue::title(provider) + QStringLiteral("：") + *error;
            self->m_lastErrorMessage = message;
            self->setActivity(TranslationActivity::error, message);
            // Whoever waits for this text's result (a command line) hears that it ended.
            TranslationOutcome outcome;
            outcome.original = text;
            outcome.signature = signature;
            outcome.provider = provider;
            outcome.providerLabel = ProviderCatalogue::title(provider);
            outcome.errorDetail = *error;
            outcome.errorMessage = message;
            self->m_client->translationEnded(outcome);
        });
        return;
    }

    if (isRequestInFlight() && similar(m_coordinator.activeSignature, signature, kSimilarityThreshold)) {
        setActivity(TranslationActivity::translating);
        return;
    }

    cancelActiveTranslation(true);
    const int revision = ++m_coordinator.currentRevision;
    m_coordinator.activeSignature = signature;
    m_activeTranslationSignature = signature;
    m_screenCheck = check;
    m_activeTranslationStartedAt = QDateTime::currentDateTimeUtc();
    m_activeTranslationProvider = ProviderCatalogue::title(provider);
    m_activeCacheHit = false;
    m_activeRetries = 0;
    setActivity(TranslationActivity::translating);

    if (m_cache) {
        const QString key = dialogueCacheKey(
            text, ProviderCatalogue::title(provider), m_providerSettings.model(provider), m_providerSettings.prompt(provider),
            m_settings.stringValue(SettingsKeys::translationGlossary), m_settings.stringValue(SettingsKeys::translationWorkContext));
        if (const auto cached = m_cache->resolve(key)) {
            count(SessionMetrics::Counter::cacheHits);
            m_activeCacheHit = true;
            m_activeTranslationProvider = ProviderCatalogue::title(provider) + QStringLiteral(" · 本地缓存");
            QTimer::singleShot(0, this, [this, text, signature, revision, provider, translation = *cached] {
                finishTranslation(text, signature, revision, translation, std::nullopt, std::nullopt, provider);
            });
            return;
        }
    }
    count(SessionMetrics::Counter::translationRequests);
    startRequest(text, signature, provider, revision);
}

void TranslationPipeline::startRequest(const QString& text, const QString& signature, Provider provider, int revision) {
    const bool streaming = m_streamingPreference.value_or(
        m_settings.boolValue(SettingsKeys::translationStreamingEnabled, SettingsDefaults::translationStreamingEnabled));
    const QString title = ProviderCatalogue::title(provider);
    TranslationService::Handlers handlers;
    handlers.preview = [this, text, title, revision](const QString& accumulated) {
        showStreamingPreview(accumulated, text, title, revision);
    };
    handlers.done = [this, text, signature, revision, provider](TranslationServiceResult result) {
        m_activeRetries = result.retries;
        finishTranslation(text, signature, revision, std::move(result.translation), std::move(result.errorDetail),
                          result.httpStatus, provider);
    };
    m_activeRequest = m_service.translate(text, provider, streaming, std::move(handlers));
}

void TranslationPipeline::finishTranslation(const QString& original, const QString& signature, int revision,
                                            std::optional<QString> translation, std::optional<QString> error,
                                            std::optional<int> httpStatus, Provider provider) {
    // A newer request has taken over: everything in flight is its own.
    if (revision != m_coordinator.currentRevision) return;
    if (m_screenCheck == ScreenCheck::dropWhenOffScreen) {
        const auto candidate = m_client->currentCandidateSignature();
        if (candidate && *candidate != signature) {  // the screen has moved on
            releaseDroppedRequest();
            return;
        }
    }

    m_coordinator.activeSignature.clear();
    m_activeRequest.reset();
    m_activeTranslationSignature.clear();
    std::optional<double> duration;
    if (m_activeTranslationStartedAt)
        duration = m_activeTranslationStartedAt->msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0;
    m_activeTranslationStartedAt.reset();
    const QString label = m_activeTranslationProvider.isEmpty()
                              ? ProviderCatalogue::title(m_selection.currentProvider())
                              : std::exchange(m_activeTranslationProvider, QString());

    TranslationOutcome outcome;
    outcome.original = original;
    outcome.signature = signature;
    outcome.errorDetail = error;
    outcome.httpStatus = httpStatus;
    outcome.providerLabel = label;
    outcome.provider = provider;
    outcome.duration = duration;
    outcome.cacheHit = m_activeCacheHit;
    outcome.retries = m_activeRetries;

    // The service hands over a cleaned, non-empty translation or none.
    if (!translation) {
        fail(std::move(outcome), provider);
        return;
    }
    const QString cleaned = *translation;

    m_client->signatureTranslated(signature);
    if (m_cache)
        m_cache->save(dialogueCacheKey(original, ProviderCatalogue::title(provider), m_providerSettings.model(provider),
                                       m_providerSettings.prompt(provider),
                                       m_settings.stringValue(SettingsKeys::translationGlossary),
                                       m_settings.stringValue(SettingsKeys::translationWorkContext)),
                      original, cleaned);

    TranslationHistoryRecord record{m_streamingPreviewID.value_or(QUuid::createUuid()), QDateTime::currentDateTime(),
                                    original, cleaned, label, duration};
    m_streamingPreviewID.reset();
    const auto existing = std::find_if(m_panelLines.begin(), m_panelLines.end(),
                                       [&](const TranslationHistoryRecord& r) { return r.id == record.id; });
    const int overlayLimit =
        m_settings.intValue(SettingsKeys::overlayHistoryLimit, SettingsDefaults::overlayHistoryLimit);
    // The streamed preview is the last entry; the finished line takes its place (and its id), and
    // like any finished line it replaces the entry before when it only restates it.
    if (existing != m_panelLines.end()) m_panelLines.erase(existing);
    OverlaySessionList::showOverlay(m_panelLines, record, overlayLimit);

    ++m_statistics.translationCount;
    m_statistics.durationTotal += duration.value_or(0);
    m_statistics.latestDuration = duration;
    AppLogger::shared().info(kCategory, QStringLiteral("翻译完成，翻译源：") + label + QStringLiteral("，耗时：") +
                                            TranslationDurationFormatter::string(duration));
    m_client->panelLinesChanged();
    setActivity(TranslationActivity::showingResult);
    outcome.record = record;
    m_client->translationEnded(outcome);
}

void TranslationPipeline::fail(TranslationOutcome outcome, Provider provider) {
    const bool fallbackEnabled =
        m_settings.boolValue(SettingsKeys::automaticFallbackEnabled, SettingsDefaults::automaticFallbackEnabled);
    const Provider fallback =
        providerFromRawValue(m_settings.intValue(SettingsKeys::fallbackProvider, rawValue(Provider::google)))
            .value_or(Provider::systemTranslation);
    if (fallbackEnabled && TranslationRecoveryPolicy::isRecoverableFallback(outcome.errorDetail, outcome.httpStatus) &&
        fallback != provider && m_fallbackAttemptedSignature != outcome.signature) {
        m_fallbackAttemptedSignature = outcome.signature;
        count(SessionMetrics::Counter::fallbackSwitches);
        switchToFallback(fallback);
        AppLogger::shared().warning(kCategory, ProviderCatalogue::title(provider) + QStringLiteral(" 失败，切换备用翻译源 ") +
                                                   ProviderCatalogue::title(fallback) + QStringLiteral("：") +
                                                   outcome.errorDetail.value_or(QStringLiteral("未知错误")));
        translate(outcome.original, outcome.signature, m_screenCheck);
        return;
    }

    count(SessionMetrics::Counter::translationFailures);
    removePreviewRecord();
    const QString message = friendlyTranslationError(outcome.errorDetail, outcome.httpStatus, provider);
    m_lastErrorMessage = message;
    outcome.errorMessage = message;
    setActivity(TranslationActivity::error, message);
    m_client->translationEnded(outcome);
}

// The request of the current revision ended with nothing to show. Nothing of it may stay in
// flight: a similar line coming next would be taken for this one and never be sent.
void TranslationPipeline::releaseDroppedRequest() {
    cancelActiveTranslation(true);
    m_coordinator.activeSignature.clear();
    setActivity(TranslationActivity::showingResult);
}

void TranslationPipeline::switchToFallback(Provider fallback) {
    // The pop-up lists enabled sources only, so a fallback outside that set is enabled first;
    // otherwise the repeated request would go to whatever the pop-up shows first.
    if (!m_selection.enabledProviders().contains(fallback)) m_selection.providerVisibilityChanged(fallback, true);
    m_selection.refreshSourcePopup(fallback);
    m_client->currentProviderChanged(fallback);
}

void TranslationPipeline::showStreamingPreview(const QString& text, const QString& original,
                                               const QString& providerTitle, int revision) {
    if (revision != m_coordinator.currentRevision) return;
    const QString& cleaned = text;
    if (!m_streamingPreviewID) m_streamingPreviewID = QUuid::createUuid();
    const TranslationHistoryRecord record{*m_streamingPreviewID,
                                          m_activeTranslationStartedAt.value_or(QDateTime::currentDateTimeUtc()).toLocalTime(),
                                          original, cleaned, providerTitle + QStringLiteral(" · 流式生成中"), std::nullopt};
    const auto existing = std::find_if(m_panelLines.begin(), m_panelLines.end(),
                                       [&](const TranslationHistoryRecord& r) { return r.id == record.id; });
    if (existing != m_panelLines.end())
        *existing = record;
    else
        m_panelLines.append(record);
    m_client->panelLinesChanged();
}

void TranslationPipeline::trimPanelLines(int limit) {
    const qsizetype before = m_panelLines.size();
    OverlaySessionList::trimOverlayHistory(m_panelLines, limit);
    if (m_panelLines.size() != before) m_client->panelLinesChanged();
}

void TranslationPipeline::removePreviewRecord() {
    if (!m_streamingPreviewID) return;
    const QUuid id = *std::exchange(m_streamingPreviewID, std::nullopt);
    if (m_panelLines.removeIf([&](const TranslationHistoryRecord& r) { return r.id == id; }) > 0)
        m_client->panelLinesChanged();
}

void TranslationPipeline::cancelActiveTranslation(bool removePreview) {
    if (m_activeRequest) m_service.cancel(*std::exchange(m_activeRequest, std::nullopt));
    m_activeTranslationSignature.clear();
    m_activeTranslationStartedAt.reset();
    m_activeTranslationProvider.clear();
    if (removePreview) removePreviewRecord();
}

void TranslationPipeline::resetTranslationContext() {
    abandonTranslationsInFlight();
    m_panelLines.clear();
    m_client->translationContextReset();
    m_client->panelLinesChanged();
}

void TranslationPipeline::abandonTranslationsInFlight() {
    cancelActiveTranslation(true);
    ++m_coordinator.currentRevision;
    m_coordinator.activeSignature.clear();
}

void TranslationPipeline::clearPanelLines() {
    m_panelLines.clear();
    m_streamingPreviewID.reset();
    m_client->panelLinesChanged();
}

QString TranslationPipeline::friendlyTranslationError(const std::optional<QString>& detail,
                                                      std::optional<int> httpStatus,
                                                      std::optional<Provider> provider) const {
    return TranslationErrorGuide::messageFor(detail, httpStatus, provider.value_or(m_selection.currentProvider()));
}

}  // namespace ovisu
