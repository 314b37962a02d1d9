#include "engine/TranslationService.h"

#include "base/AppLogger.h"
#include "base/DialogueTranslationInput.h"
#include "base/SecretMasking.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "base/SettingsStore.h"
#include "engine/ProviderSettings.h"
#include "engine/ServiceReplyJson.h"
#include "engine/SystemTranslationOutputRefiner.h"
#include "engine/SystemTranslator.h"
#include "engine/TranslationOutputCleaner.h"
#include "engine/TranslationRecoveryPolicy.h"
#include "engine/TranslationStreamDelegate.h"

#include <QPointer>
#include <QTimer>

namespace ovisu {
namespace {

const QString kCategory = QStringLiteral("translation");

// Keeps a finished or cancelled call (or its stream follower) alive until the event loop comes
// round again: it may be the very object whose callback is running right now.
template <typename T>
void releaseLater(QObject* context, std::shared_ptr<T> object) {
    if (object) QTimer::singleShot(0, context, [object] {});
}

}  // namespace

struct TranslationService::Request {
    Handlers handlers;
    HttpRequest request;
    std::shared_ptr<const TranslationProviderAdapter> adapter;
    QString secret;  // the source's key as stored, masked in every error text of the request
    int attempt = 0;
    std::shared_ptr<HttpCall> call;
    std::shared_ptr<TranslationStreamDelegate> delegate;
    QTimer retryTimer;
};

TranslationService::TranslationService(SettingsStore& settings, ProviderSettings& providerSettings,
                                       HttpTransport& transport, SystemTranslator* systemTranslator, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_providerSettings(providerSettings),
      m_transport(transport),
      m_systemTranslator(systemTranslator) {}

TranslationService::~TranslationService() {
    cancelAll();
}

bool TranslationService::filterThinking() const {
    return m_settings.boolValue(SettingsKeys::filterThinkingOutput, SettingsDefaults::filterThinkingOutput);
}

TranslationService::RequestID TranslationService::translate(const QString& text, Provider provider, bool streaming,
                                                             Handlers handlers) {
    const RequestID id = m_nextID++;
    auto request = std::make_unique<Request>();
    request->handlers = std::move(handlers);
    request->retryTimer.setSingleShot(true);
    m_requests.emplace(id, std::move(request));

    const QString sentText = DialogueTranslationInput::joinedForMeaning(text);
    if (provider != Provider::systemTranslation) {
        startHttp(id, sentText, provider, streaming);
        return id;
    }
    QPointer<TranslationService> self(this);
    const auto deliver = [self, id, sentText](std::expected<QString, QString> result) {
        if (!self || !self->isActive(id)) return;
        if (result)
            self->finish(id, SystemTranslationOutputRefiner::refine(sentText, *result), std::nullopt, std::nullopt);
        else
            self->finish(id, std::nullopt, SystemTranslator::failureMessage(result.error()), std::nullopt);
    };
    if (m_systemTranslator)
        m_systemTranslator->translate(sentText, deliver);
    else
        QTimer::singleShot(0, this, [deliver] { deliver(std::unexpected(SystemTranslator::unavailableDescription())); });
    return id;
}

void TranslationService::startHttp(RequestID id, const QString& text, Provider provider, bool streaming) {
    const std::optional<TranslationStreamStyle> style = m_providerSettings.streamStyle(provider);
    streaming = streaming && style.has_value();
    const auto adapter = m_providerSettings.providerAdapter(provider);
    const auto configuration = m_providerSettings.providerConfiguration(provider, streaming);
    if (!adapter || !configuration) {
        finishLater(id, TranslationProviderBuildError::invalidEndpoint().localizedDescription());
        return;
    }
    const RequestResult built = adapter->makeRequest(text, *configuration);
    if (!built) {
        finishLater(id, built.error().localizedDescription());
        return;
    }
    Request& request = *m_requests.at(id);
    request.request = *built;
    request.adapter = adapter;
    request.secret = configuration->apiKey;
    if (streaming)
        startStream(id, *style);
    else
        perform(id);
}

void TranslationService::startStream(RequestID id, TranslationStreamStyle style) {
    Request& request = *m_requests.at(id);
    const auto adapter = request.adapter;
    QPointer<TranslationService> self(this);
    auto delegate = std::make_shared<TranslationStreamDelegate>(
        style, [adapter](const QByteArray& body) { return adapter->parseError(body); },
        [self, id](const QString& accumulated) {
            if (!self || !self->isActive(id)) return;
            const QString cleaned = TranslationOutputCleaner::clean(accumulated, self->filterThinking());
            auto& handlers = self->m_requests.at(id)->handlers;
            if (!cleaned.isEmpty() && handlers.preview) handlers.preview(cleaned);
        },
        [self, id](std::optional<QString> text, std::optional<QString> error, std::optional<int> status) {
            if (self && self->isActive(id)) self->finish(id, std::move(text), std::move(error), status);
        });
    request.delegate = delegate;

    StreamHandlers handlers;
    handlers.onHead = [delegate](std::optional<int> status) { delegate->didReceiveResponse(status); };
    handlers.onData = [delegate](const QByteArray& chunk) { delegate->didReceiveData(chunk); };
    handlers.onComplete = [delegate](std::optional<TransportError> error) {
        delegate->didComplete(error ? std::optional(error->description) : std::nullopt);
    };
    request.call = m_transport.stream(request.request, std::move(handlers));
}

void TranslationService::perform(RequestID id) {
    QPointer<TranslationService> self(this);
    m_requests.at(id)->call = m_transport.send(m_requests.at(id)->request, [self, id](HttpResponse response) {
        if (self && self->isActive(id)) self->handleResponse(id, response);
    });
}

void TranslationService::handleResponse(RequestID id, const HttpResponse& response) {
    Request& request = *m_requests.at(id);
    releaseLater(this, std::exchange(request.call, nullptr));

    std::optional<QString> translation;
    std::optional<QString> errorText;
    if (response.error) errorText = response.error->description;
    const bool success = !response.statusCode || (*response.statusCode >= 200 && *response.statusCode <= 299);
    if (success) {
        if (!response.body.isEmpty()) {
            translation = request.adapter->parseResponse(response.body);
            if (!translation)
                if (const auto parsed = request.adapter->parseError(response.body)) errorText = parsed;
        }
    } else {
        errorText = response.body.isEmpty() ? std::nullopt : request.adapter->parseError(response.body);
        if (!errorText) errorText = QStringLiteral("HTTP ") + QString::number(*response.statusCode);
        if (const auto message = reply::errorObjectMessage(response.body)) errorText = message;
    }

    if (!TranslationRecoveryPolicy::shouldRetry(response.error, response.statusCode, request.attempt)) {
        finish(id, translation, errorText, response.statusCode);
        return;
    }
    SessionMetrics::shared().increment(SessionMetrics::Counter::retries);
    const double delay = TranslationRecoveryPolicy::retryDelaySeconds(request.attempt);
    if (errorText && !request.secret.isEmpty()) errorText = maskStoredSecretIn(*errorText, request.secret);
    request.retryTimer.disconnect();
    connect(&request.retryTimer, &QTimer::timeout, this, [this, id, delay, errorText] {
        Request& retried = *m_requests.at(id);
        ++retried.attempt;
        AppLogger::shared().warning(kCategory, QStringLiteral("临时错误，%1 秒后第 %2 次重试：")
                                                   .arg(QString::number(delay, 'f', 1))
                                                   .arg(retried.attempt) +
                                                   errorText.value_or(QStringLiteral("未知错误")));
        perform(id);
    });
    request.retryTimer.start(static_cast<int>(delay * 1000 * m_retryDelayScale));
}

void TranslationService::finishLater(RequestID id, const QString& error) {
    QPointer<TranslationService> self(this);
    QTimer::singleShot(0, this, [self, id, error] {
        if (self && self->isActive(id)) self->finish(id, std::nullopt, error, std::nullopt);
    });
}

// Every error text of a request passes here before anyone logs, shows or records it: a service
// may echo the key it was sent.
void TranslationService::finish(RequestID id, std::optional<QString> translation, std::optional<QString> error,
                                std::optional<int> httpStatus) {
    auto found = m_requests.find(id);
    std::unique_ptr<Request> request = std::move(found->second);
    m_requests.erase(found);
    releaseLater(this, std::exchange(request->call, nullptr));
    releaseLater(this, std::exchange(request->delegate, nullptr));

    TranslationServiceResult result;
    result.httpStatus = httpStatus;
    result.retries = request->attempt;
    if (error && !request->secret.isEmpty()) error = maskStoredSecretIn(*error, request->secret);
    result.errorDetail = std::move(error);
    if (translation) {
        const QString cleaned =
            TranslationOutputCleaner::deduplicated(TranslationOutputCleaner::clean(*translation, filterThinking()));
        if (!cleaned.isEmpty()) result.translation = cleaned;
        else result.errorDetail.reset();
    }
    if (request->handlers.done) request->handlers.done(std::move(result));
}

void TranslationService::cancel(RequestID id) {
    const auto found = m_requests.find(id);
    if (found == m_requests.end()) return;
    std::unique_ptr<Request> request = std::move(found->second);
    m_requests.erase(found);
    if (request->call) request->call->cancel();
    releaseLater(this, std::exchange(request->call, nullptr));
    releaseLater(this, std::exchange(request->delegate, nullptr));
}

void TranslationService::cancelAll() {
    while (!m_requests.empty()) cancel(m_requests.begin()->first);
}

}  // namespace ovisu
