#include "history/AsyncHistoryAppender.h"

#include "base/AppLogger.h"

#include <QPointer>
#include <QThread>

namespace ovisu {

AsyncHistoryAppender::AsyncHistoryAppender(QString filePath, QObject* parent)
    : QObject(parent), m_filePath(std::move(filePath)) {
    m_pool.setMaxThreadCount(1);  // one at a time; the pool's queue keeps the order
    m_pool.setThreadPriority(QThread::LowPriority);
}

AsyncHistoryAppender::~AsyncHistoryAppender() { m_pool.waitForDone(); }

void AsyncHistoryAppender::append(const TranslationHistoryRecord& record, QObject* receiver, Saved saved) {
    QPointer<QObject> guardedReceiver(receiver);
    const bool hasReceiver = receiver != nullptr;
    const bool wantsResult = static_cast<bool>(saved);
    m_pool.start([this, path = m_filePath, record, guardedReceiver, hasReceiver, wantsResult,
                  saved = std::move(saved)] {
        TranslationHistoryStore store(path);
        auto result = store.append(record);
        if (!result) {
            AppLogger::shared().warning(QStringLiteral("history"), QStringLiteral("翻译历史保存失败：") + result.error());
            return;
        }
        if (!wantsResult)
            return;
        // Hand the list to this object's thread; the receiver is checked there, where it lives.
        QMetaObject::invokeMethod(
            this,
            [guardedReceiver, hasReceiver, saved, history = std::move(*result)] {
                if (!hasReceiver || guardedReceiver)
                    saved(history);
            },
            Qt::QueuedConnection);
    });
}

void AsyncHistoryAppender::waitForPendingAppends() { m_pool.waitForDone(); }

}  // namespace ovisu
