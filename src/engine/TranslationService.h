#pragma once

#include "engine/HttpTransport.h"
#include "engine/Provider.h"
#include "engine/TranslationProviderAdapter.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace ovisu {

class ProviderSettings;
class SettingsStore;
class SystemTranslator;
class TranslationStreamDelegate;

// How one request ended. A translation is cleaned and never empty; without one, the error detail
// holds the service's or transport's words (any echo of the source's key masked), or nothing
// when the reply was empty once cleaned.
struct TranslationServiceResult {
    std::optional<QString> translation;
    std::optional<QString> errorDetail;
    std::optional<int> httpStatus;
    int retries = 0;
};

// One text in, one result out: the source's adapter, whole or streamed sending, retries of
// passing failures, output cleaning and key masking. Any number of requests run at once, each
// with its own identity; a cancelled request reports nothing more. Knows no screen, mode or
// order of lines: whoever asks decides what a result is still worth. Main thread only.
class TranslationService : public QObject {
    Q_OBJECT
public:
    using RequestID = quint64;
    struct Handlers {
        // The streamed text so far, cleaned; only for streamed requests, and never after done.
        std::function<void(const QString& accumulated)> preview;
        // Exactly once per request that was not cancelled, never synchronously inside translate().
        std::function<void(TranslationServiceResult result)> done;
    };

    TranslationService(SettingsStore& settings, ProviderSettings& providerSettings, HttpTransport& transport,
                       SystemTranslator* systemTranslator, QObject* parent = nullptr);
    ~TranslationService() override;

    // Streams when asked to and the source can; otherwise sends the whole request.
    RequestID translate(const QString& text, Provider provider, bool streaming, Handlers handlers);
    void cancel(RequestID id);
    void cancelAll();
    bool isActive(RequestID id) const { return m_requests.contains(id); }
    int activeCount() const { return int(m_requests.size()); }

    // Retry waits are multiplied by this; tests shorten them.
    void setRetryDelayScale(double scale) { m_retryDelayScale = scale; }

private:
    struct Request;

    void startHttp(RequestID id, const QString& text, Provider provider, bool streaming);
    void startStream(RequestID id, TranslationStreamStyle style);
    void perform(RequestID id);
    void handleResponse(RequestID id, const HttpResponse& response);
    void finish(RequestID id, std::optional<QString> translation, std::optional<QString> error,
                std::optional<int> httpStatus);
    void finishLater(RequestID id, const QString& error);
    bool filterThinking() const;

    SettingsStore& m_settings;
    ProviderSettings& m_providerSettings;
    HttpTransport& m_transport;
    SystemTranslator* m_systemTranslator;
    std::map<RequestID, std::unique_ptr<Request>> m_requests;
    RequestID m_nextID = 1;
    double m_retryDelayScale = 1.0;
};

}  // namespace ovisu
