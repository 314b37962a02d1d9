#include "interface/InterfaceTranslationScheduler.h"

#include "engine/ProviderSelection.h"
#include "engine/ProviderSettings.h"
#include "engine/TranslationErrorGuide.h"

namespace ovisu {

InterfaceTranslationScheduler::InterfaceTranslationScheduler(TranslationService& service, ProviderSelection& selection,
                                                             ProviderSettings& providerSettings,
                                                             InterfaceTranslationSchedulerClient& client)
    : m_service(service), m_selection(selection), m_providerSettings(providerSettings), m_client(client) {}

InterfaceTranslationScheduler::~InterfaceTranslationScheduler() {
    // The service outlives us: its handlers must not call back into a scheduler that is gone.
    for (const InFlight& request : m_requests)
        m_service.cancel(request.requestID);
}

void InterfaceTranslationScheduler::requestInterfaceTranslation(const UIOCRTextBlock& block) {
    const QString key = uiComparisonForm(block.text);
    if (key.isEmpty())
        return;
    const int revision = m_client.currentPipelineRevision();
    if (const auto found = m_requests.constFind(key);
        found != m_requests.constEnd() && found->identity.pipelineRevision == revision)
        return;
    for (const WorkItem& item : m_queue)
        if (item.pipelineRevision == revision && uiComparisonForm(item.block.text) == key)
            return;
    m_queue.append({block, revision});
    startQueuedInterfaceTranslations();
}

void InterfaceTranslationScheduler::pruneQueue(const QSet<QString>& sourceKeysOnScreen) {
    const int revision = m_client.currentPipelineRevision();
    m_queue.removeIf([&](const WorkItem& item) {
        return item.pipelineRevision != revision || !sourceKeysOnScreen.contains(uiComparisonForm(item.block.text));
    });
}

void InterfaceTranslationScheduler::cancelAll() {
    // Forget the identities first: a cancelled request that still reports is then ignored.
    const QMap<QString, InFlight> requests = std::exchange(m_requests, {});
    m_queue.clear();
    for (const InFlight& request : requests)
        m_service.cancel(request.requestID);
}

void InterfaceTranslationScheduler::startQueuedInterfaceTranslations() {
    const int revision = m_client.currentPipelineRevision();
    m_queue.removeIf([revision](const WorkItem& item) { return item.pipelineRevision != revision; });
    while (m_requests.size() < maximumConcurrentInterfaceTranslations) {
        // A text already being translated waits; the next different one goes first.
        const auto next = std::find_if(m_queue.begin(), m_queue.end(), [this](const WorkItem& item) {
            return !m_requests.contains(uiComparisonForm(item.block.text));
        });
        if (next == m_queue.end())
            return;
        const WorkItem item = *next;
        m_queue.erase(next);
        startInterfaceTranslation(item);
    }
}

void InterfaceTranslationScheduler::startInterfaceTranslation(const WorkItem& item) {
    const QString key = uiComparisonForm(item.block.text);
    if (key.isEmpty() || item.pipelineRevision != m_client.currentPipelineRevision() ||
        !m_client.acceptsInterfaceTranslations() || m_requests.contains(key))
        return;
    const Provider provider = m_selection.currentProvider();
    if (provider != Provider::systemTranslation &&
        (!m_providerSettings.providerAdapter(provider) || !m_providerSettings.providerConfiguration(provider, false))) {
        m_client.interfaceTranslationFailed(ProviderCatalogue::title(provider) +
                                            QStringLiteral("：接口地址无效，请打开配置检查完整 URL。"));
        return;
    }
    const Identity identity{QUuid::createUuid(), item.pipelineRevision};
    // On record before the request starts: an answer can only be taken against it.
    m_requests.insert(key, {identity, 0});
    m_client.interfaceTranslationStarted();
    TranslationService::Handlers handlers;
    handlers.done = [this, key, text = item.block.text, identity, provider](TranslationServiceResult result) {
        finishInterfaceTranslation(key, text, identity, result, provider);
    };
    const TranslationService::RequestID id = m_service.translate(item.block.text, provider, false, std::move(handlers));
    if (const auto found = m_requests.find(key); found != m_requests.end() && found->identity == identity)
        found->requestID = id;
}

void InterfaceTranslationScheduler::finishInterfaceTranslation(const QString& sourceKey, const QString& sourceText,
                                                               const Identity& identity,
                                                               const TranslationServiceResult& result,
                                                               Provider provider) {
    const auto found = m_requests.constFind(sourceKey);
    if (found == m_requests.constEnd() || found->identity != identity)
        return;
    m_requests.remove(sourceKey);

    if (!m_client.acceptsInterfaceTranslations() || identity.pipelineRevision != m_client.currentPipelineRevision()) {
        startQueuedInterfaceTranslations();
        settleIfIdle();
        return;
    }
    const QString translation = result.translation.value_or(QString()).trimmed();
    if (translation.isEmpty()) {
        // The error stays visible: no settling over it.
        m_client.interfaceTranslationFailed(TranslationErrorGuide::messageFor(result.errorDetail, result.httpStatus, provider));
        startQueuedInterfaceTranslations();
        return;
    }
    m_client.interfaceTranslationArrived(sourceKey, sourceText, *result.translation);
    startQueuedInterfaceTranslations();
    settleIfIdle();
}

void InterfaceTranslationScheduler::settleIfIdle() {
    if (m_queue.isEmpty() && m_requests.isEmpty() && m_client.acceptsInterfaceTranslations())
        m_client.interfaceTranslationsSettled();
}

}  // namespace ovisu
