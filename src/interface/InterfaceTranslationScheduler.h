#pragma once

#include "engine/TranslationService.h"
#include "interface/UIOCRTextBlock.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QUuid>

namespace ovisu {

class ProviderSelection;
class ProviderSettings;

// What the scheduler asks of interface mode. Main thread only.
class InterfaceTranslationSchedulerClient {
public:
    virtual ~InterfaceTranslationSchedulerClient() = default;
    // The loop's revision: answers for an older one belong to a screen that is gone.
    virtual int currentPipelineRevision() const = 0;
    // Interface mode runs (its loop's timer is on): otherwise nothing starts and nothing is shown.
    virtual bool acceptsInterfaceTranslations() const = 0;
    virtual void interfaceTranslationStarted() = 0;
    // A good answer for every block whose text has this comparison form.
    virtual void interfaceTranslationArrived(const QString& sourceKey, const QString& sourceText,
                                             const QString& translation) = 0;
    // The message is the user's to read; it stays until something else changes the state.
    virtual void interfaceTranslationFailed(const QString& message) = 0;
    // Nothing queued and nothing in flight any more.
    virtual void interfaceTranslationsSettled() = 0;
};

// One request per distinct text (its comparison form), however many blocks show it, at most
// three in flight across all sources, first in first out. Each started request carries an
// identity (a fresh token and the loop's revision): an answer whose identity is no longer the
// one on record, or whose revision has moved on, is dropped without a word.
class InterfaceTranslationScheduler {
public:
    static constexpr int maximumConcurrentInterfaceTranslations = 3;

    InterfaceTranslationScheduler(TranslationService& service, ProviderSelection& selection,
                                  ProviderSettings& providerSettings, InterfaceTranslationSchedulerClient& client);
    ~InterfaceTranslationScheduler();

    void requestInterfaceTranslation(const UIOCRTextBlock& block);
    // A new recognition: queued texts no longer on screen (or of another revision) are dropped;
    // requests in flight go on, and their answers are still stored.
    void pruneQueue(const QSet<QString>& sourceKeysOnScreen);
    // Cancels every request and empties the queue.
    void cancelAll();

    bool hasPendingWork() const { return !m_queue.isEmpty() || !m_requests.isEmpty(); }
    int inFlightCount() const { return int(m_requests.size()); }
    int queuedCount() const { return int(m_queue.size()); }

private:
    struct WorkItem {
        UIOCRTextBlock block;
        int pipelineRevision = 0;
    };
    struct Identity {
        QUuid token;
        int pipelineRevision = 0;
        friend bool operator==(const Identity&, const Identity&) = default;
    };
    struct InFlight {
        Identity identity;
        TranslationService::RequestID requestID = 0;
    };

    void startQueuedInterfaceTranslations();
    void startInterfaceTranslation(const WorkItem& item);
    void finishInterfaceTranslation(const QString& sourceKey, const QString& sourceText, const Identity& identity,
                                    const TranslationServiceResult& result, Provider provider);
    void settleIfIdle();

    TranslationService& m_service;
    ProviderSelection& m_selection;
    ProviderSettings& m_providerSettings;
    InterfaceTranslationSchedulerClient& m_client;
    QList<WorkItem> m_queue;
    QMap<QString, InFlight> m_requests;
};

}  // namespace ovisu
