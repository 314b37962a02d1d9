#include "history/LatestTranslationActions.h"

#include "history/SpeechOutput.h"
#include "history/TranslationHistoryStore.h"
#include "history/TranslationHistoryText.h"

#include <QClipboard>
#include <QGuiApplication>

namespace ovisu {

namespace {

std::optional<TranslationHistoryRecord> latest(const QList<TranslationHistoryRecord>& session,
                                               const TranslationHistoryStore& store) {
    // The file is read only when the session has nothing to offer.
    return latestTranslationRecord(session, session.isEmpty() ? store.load() : QList<TranslationHistoryRecord>());
}

}  // namespace

bool copyLatestTranslation(const QList<TranslationHistoryRecord>& session, const TranslationHistoryStore& store,
                           QClipboard* clipboard) {
    const std::optional<TranslationHistoryRecord> record = latest(session, store);
    if (!record)
        return false;
    if (!clipboard)
        clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(record->translation);
    return true;
}

SpeakLatestOutcome speakLatestTranslation(const QList<TranslationHistoryRecord>& session,
                                          const TranslationHistoryStore& store, SpeechOutput& speech) {
    const std::optional<TranslationHistoryRecord> record = latest(session, store);
    if (!record)
        return SpeakLatestOutcome::noTranslation;
    if (!speech.speak(record->translation))
        return SpeakLatestOutcome::speechUnavailable;
    return SpeakLatestOutcome::spoken;
}

}  // namespace ovisu
