#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace ovisu {

// One shown translation. The in-memory list of these feeds the prompt context; the history store
// persists them.
struct TranslationHistoryRecord {
    QUuid id;
    QDateTime createdAt;
    QString original;
    QString translation;
    QString provider;
    std::optional<double> duration;

    friend bool operator==(const TranslationHistoryRecord&, const TranslationHistoryRecord&) = default;
};

}  // namespace ovisu
