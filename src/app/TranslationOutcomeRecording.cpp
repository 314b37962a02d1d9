#include "app/TranslationOutcomeRecording.h"

#include "history/TranslationHistoryStore.h"
#include "diagnostics/DiagnosticErrorRecorder.h"

#include <QDateTime>

namespace ovisu {

void recordTranslationOutcome(const TranslationOutcome& outcome, AsyncHistoryAppender& history, QObject* receiver,
                              AsyncHistoryAppender::Saved saved) {
    if (outcome.record) {
        history.append(*outcome.record, receiver, std::move(saved));
        return;
    }
    DiagnosticErrorRecorder::shared().append(DiagnosticErrorRecord::translationFailure(
        QDateTime::currentDateTimeUtc(),
        outcome.provider ? std::optional(ProviderCatalogue::title(*outcome.provider)) : std::nullopt,
        outcome.errorDetail, outcome.httpStatus));
}

}  // namespace ovisu
