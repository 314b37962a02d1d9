#pragma once

#include "history/AsyncHistoryAppender.h"
#include "history/TranslationHistoryStore.h"
#include "dialogue/TranslationPipelineClient.h"

namespace ovisu {

// What a finished translation leaves behind, whoever asked for it: a success goes into the
// persisted history (off the main thread), a failure into the error recorder. `saved` runs on the
// main thread after the append, unless `receiver` is gone by then.
void recordTranslationOutcome(const TranslationOutcome& outcome, AsyncHistoryAppender& history,
                              QObject* receiver = nullptr, AsyncHistoryAppender::Saved saved = {});

}  // namespace ovisu
