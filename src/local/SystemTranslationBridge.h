#pragma once

#include "engine/SystemTranslator.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <expected>
#include <functional>
#include <memory>

namespace ovisu {

// One translation at a time through the platform's translator. `done` is called exactly once,
// on any thread, possibly before translate() returns. A session that works on another thread
// stops calling `done` once it has been destroyed.
class SystemTranslationSession {
public:
    using Result = std::expected<QString, QString>;
    using Done = std::function<void(Result result)>;
    virtual ~SystemTranslationSession() = default;
    virtual void translate(const QString& text, Done done) = 0;
};

// Linux has no on-device translation framework: every request fails with the reason.
class UnavailableSystemTranslationSession final : public SystemTranslationSession {
public:
    static QString unavailableDescription();
    void translate(const QString& text, Done done) override;
};

// Queues requests and feeds them through the session one at a time, strictly in arrival order.
// Every completion is delivered on the bridge's (main) thread from the event loop, never from
// inside translate(), and the next request starts only after the previous one's completion ran.
// A failed request does not stop the queue. Main-thread confined.
class SystemTranslationBridge final : public QObject, public SystemTranslator {
    Q_OBJECT
public:
    explicit SystemTranslationBridge(std::unique_ptr<SystemTranslationSession> session = {},
                                     QObject* parent = nullptr);
    ~SystemTranslationBridge() override;

    static QString sourceLanguage() { return QStringLiteral("ja"); }
    static QString targetLanguage() { return QStringLiteral("zh-Hans"); }
    // What the pipeline shows when a request fails.
    static QString failureMessage(const QString& description);

    void translate(const QString& text, Completion completion) override;

    qsizetype pendingCount() const { return m_queue.size(); }
    bool isDraining() const { return m_draining; }

private:
    struct PendingRequest {
        QUuid id;
        QString text;
        Completion completion;
    };

    void drain();
    void serveNext();

    std::unique_ptr<SystemTranslationSession> m_session;
    QList<PendingRequest> m_queue;
    bool m_draining = false;
};

}  // namespace ovisu
