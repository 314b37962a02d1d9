#pragma once

#include "history/TranslationHistoryStore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

namespace ovisu {

// Appends records to the history off the main thread, one at a time and in the order they were
// handed over (each append reads, changes and rewrites the whole file, so two must never
// interleave). Failures are logged and otherwise dropped: the translation was already shown.
class AsyncHistoryAppender : public QObject {
    Q_OBJECT
public:
    using Saved = std::function<void(const QList<TranslationHistoryRecord>& history)>;

    explicit AsyncHistoryAppender(QString filePath = TranslationHistoryStore::defaultFilePath(),
                                  QObject* parent = nullptr);
    ~AsyncHistoryAppender() override;  // waits for the appends still queued

    // After a successful append, `saved` runs on this object's thread with the saved list,
    // unless a `receiver` was given and is gone by then.
    void append(const TranslationHistoryRecord& record, QObject* receiver = nullptr, Saved saved = {});
    void waitForPendingAppends();

private:
    QString m_filePath;
    QThreadPool m_pool;
};

}  // namespace ovisu
