#pragma once

#include "engine/HttpTransport.h"
#include "engine/Provider.h"
#include "engine/ProviderSettings.h"
#include "dialogue/TranslationCoordinator.h"
#include "engine/TranslationHistoryRecord.h"
#include "dialogue/TranslationPipelineClient.h"
#include "engine/TranslationProviderAdapter.h"
#include "engine/TranslationService.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <memory>
#include <optional>

namespace ovisu {

class DialogueCacheAccess;
class LocalServerStartup;
class ProviderSelection;
class SettingsStore;
class SystemTranslator;

struct SessionStatistics {
    int translationCount = 0;
    double durationTotal = 0;
    std::optional<double> latestDuration;
};

// The one road from a text to a shown translation or error: the dialogue cache, the source's
// adapter, whole or streamed sending, retries, automatic fallback, output cleaning and the error
// guide. Runs on the main thread; every asynchronous result is checked against the coordinator's
// revision and dropped when the user or the screen has moved on.
class TranslationPipeline : public QObject {
    Q_OBJECT
public:
    struct Services {
        SettingsStore& settings;
        ProviderSelection& selection;
        HttpTransport& transport;
        DialogueCacheAccess* cache = nullptr;
        SystemTranslator* systemTranslator = nullptr;
        LocalServerStartup* localServers = nullptr;
    };

    // Without a client the pipeline reports to no one until a realtime session attaches itself.
    explicit TranslationPipeline(Services services, QObject* parent = nullptr);
    TranslationPipeline(Services services, TranslationPipelineClient& client, QObject* parent = nullptr);
    ~TranslationPipeline() override;

    // The realtime session made on top of this pipeline attaches itself, and detaches when it goes.
    void setClient(TranslationPipelineClient& client) { m_client = &client; }
    void clearClient() { m_client = &m_noClient; }

    // What a result is checked against before it is shown: the line the screen holds now, or
    // nothing (a text the user copied is not the screen's).
    enum class ScreenCheck { dropWhenOffScreen, none };
    void translate(const QString& text, const QString& signature, ScreenCheck check = ScreenCheck::dropWhenOffScreen);
    void cancelActiveTranslation(bool removePreview);
    // Forget the dialogue so far: later results of earlier requests are dropped.
    void resetTranslationContext();
    // The text on screen changed or the session stopped: cancel the request in flight and make
    // every late result of it stale.
    void abandonTranslationsInFlight();

    QString friendlyTranslationError(const std::optional<QString>& detail, std::optional<int> httpStatus,
                                     std::optional<Provider> provider) const;

    const TranslationCoordinator& coordinator() const { return m_coordinator; }
    const QList<TranslationHistoryRecord>& panelLines() const { return m_panelLines; }
    void clearPanelLines();
    // A smaller overlay history limit drops the oldest shown translations at once.
    void trimPanelLines(int limit);
    const SessionStatistics& statistics() const { return m_statistics; }
    void resetStatistics() { m_statistics = {}; }
    bool isRequestInFlight() const;
    std::optional<QString> lastErrorMessage() const { return m_lastErrorMessage; }
    ProviderSettings& providerSettings() { return m_providerSettings; }
    ProviderSelection& selection() { return m_selection; }

    // Retry waits are multiplied by this; tests shorten them.
    void setRetryDelayScale(double scale) { m_service.setRetryDelayScale(scale); }
    // Stream or not regardless of the stored switch (a command's --stream); nothing: the switch.
    void setStreamingPreference(std::optional<bool> streaming) { m_streamingPreference = streaming; }

private:
    void startRequest(const QString& text, const QString& signature, Provider provider, int revision);
    void finishTranslation(const QString& original, const QString& signature, int revision,
                           std::optional<QString> translation, std::optional<QString> error,
                           std::optional<int> httpStatus, Provider provider);
    void showStreamingPreview(const QString& text, const QString& original, const QString& providerTitle, int revision);
    void fail(TranslationOutcome outcome, Provider provider);
    void releaseDroppedRequest();
    void switchToFallback(Provider fallback);
    void removePreviewRecord();
    void setActivity(TranslationActivity activity, const QString& message = {});

    SettingsStore& m_settings;
    ProviderSelection& m_selection;
    DialogueCacheAccess* m_cache;
    LocalServerStartup* m_localServers;
    TranslationPipelineClient m_noClient;
    TranslationPipelineClient* m_client;
    ProviderSettings m_providerSettings;
    TranslationService m_service;
    std::optional<TranslationService::RequestID> m_activeRequest;

    TranslationCoordinator m_coordinator;
    QList<TranslationHistoryRecord> m_panelLines;
    SessionStatistics m_statistics;

    std::optional<QUuid> m_streamingPreviewID;
    QString m_activeTranslationSignature;
    std::optional<QDateTime> m_activeTranslationStartedAt;
    QString m_activeTranslationProvider;
    QString m_fallbackAttemptedSignature;
    ScreenCheck m_screenCheck = ScreenCheck::dropWhenOffScreen;
    bool m_activeCacheHit = false;
    int m_activeRetries = 0;
    std::optional<QString> m_lastErrorMessage;
    std::optional<bool> m_streamingPreference;
};

}  // namespace ovisu
