#pragma once

#include "engine/TranslationHistoryRecord.h"

#include <QList>

class QClipboard;

namespace ovisu {

class SpeechOutput;
class TranslationHistoryStore;

// Copy and speak act on the latest translation: the session's newest record, else the newest
// record of the persisted history.

// Puts the latest translation on the clipboard (the application's clipboard when none is given).
// False when there is no translation at all; the caller then plays the alert sound.
bool copyLatestTranslation(const QList<TranslationHistoryRecord>& session, const TranslationHistoryStore& store,
                           QClipboard* clipboard = nullptr);

enum class SpeakLatestOutcome {
    spoken,
    noTranslation,      // nothing to speak: the caller plays the alert sound
    speechUnavailable,  // the speech output said why (SpeechOutput::unavailableReason)
};

SpeakLatestOutcome speakLatestTranslation(const QList<TranslationHistoryRecord>& session,
                                          const TranslationHistoryStore& store, SpeechOutput& speech);

}  // namespace ovisu
