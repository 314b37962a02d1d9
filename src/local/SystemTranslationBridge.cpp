#include "local/SystemTranslationBridge.h"

#include <QMetaObject>
#include <QPointer>

namespace ovisu {

QString UnavailableSystemTranslationSession::unavailableDescription() {
    return QStringLiteral("当前 Linux 系统没有可用的系统翻译框架");
}

void UnavailableSystemTranslationSession::translate(const QString&, Done done) {
    done(std::unexpected(unavailableDescription()));
}

SystemTranslationBridge::SystemTranslationBridge(std::unique_ptr<SystemTranslationSession> session, QObject* parent)
    : QObject(parent),
      m_session(session ? std::move(session) : std::make_unique<UnavailableSystemTranslationSession>()) {}

SystemTranslationBridge::~SystemTranslationBridge() = default;

QString SystemTranslationBridge::failureMessage(const QString& description) {
    return QStringLiteral("系统翻译失败：") + description + QStringLiteral("。请在翻译源中改用其他翻译源。");
}

void SystemTranslationBridge::translate(const QString& text, Completion completion) {
    m_queue.append(PendingRequest{QUuid::createUuid(), text, std::move(completion)});
    drain();
}

void SystemTranslationBridge::drain() {
    // A running loop takes the new request when it gets to it.
    if (m_draining) return;
    m_draining = true;
    serveNext();
}

void SystemTranslationBridge::serveNext() {
    if (m_queue.isEmpty()) {
        m_draining = false;
        return;
    }
    PendingRequest request = m_queue.takeFirst();
    QPointer<SystemTranslationBridge> guard(this);
    auto completion = std::make_shared<Completion>(std::move(request.completion));
    m_session->translate(request.text, [guard, completion](SystemTranslationSession::Result result) {
        if (!guard) return;
        // Queued even when the session answered at once or on this thread: the caller never sees
        // its completion run inside translate(), and a long queue is not served by recursion.
        QMetaObject::invokeMethod(
            guard.data(),
            [guard, completion, result = std::move(result)]() mutable {
                if (!guard) return;
                if (*completion) (*completion)(std::move(result));
                if (guard) guard->serveNext();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace ovisu
