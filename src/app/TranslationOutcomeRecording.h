#pragma once

#include "engine/TranslationPipelineClient.h"

namespace ovisu {

class AsyncHistoryAppender;

// What a finished translation leaves behind, whoever asked for it: a success goes into the
// persisted history (off the main thread), a failure into the error recorder.
void recordTranslationOutcome(const TranslationOutcome& outcome, AsyncHistoryAppender& history);

}  // namespace ovisu
