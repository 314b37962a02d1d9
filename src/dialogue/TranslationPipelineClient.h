#pragma once

#include "engine/Provider.h"
#include "engine/TranslationHistoryRecord.h"

#include <QString>

#include <optional>

namespace ovisu {

enum class TranslationActivity { translating, showingResult, error };

// How one translation ended, for whoever shows, stores, speaks or reports it.
struct TranslationOutcome {
    QString original;
    QString signature;
    std::optional<TranslationHistoryRecord> record;  // set on success
    std::optional<QString> errorDetail;              // the service's or transport's words
    std::optional<QString> errorMessage;             // the guide's sentence shown to the user
    std::optional<int> httpStatus;
    QString providerLabel;
    std::optional<Provider> provider;
    std::optional<double> duration;
    bool cacheHit = false;
    int retries = 0;

    bool succeeded() const { return record.has_value(); }
};

// What a translation touches beyond the pipeline: the overlay, the realtime state, the change
// detector, the persisted history, speech and the error recorder. The realtime loop, the
// clipboard mode, the desktop program and the command line each plug in their own.
class TranslationPipelineClient {
public:
    virtual ~TranslationPipelineClient() = default;

    virtual void translationActivityChanged(TranslationActivity activity, const QString& message) {
        (void)activity;
        (void)message;
    }
    // The in-memory list of shown translations changed (a preview grew, a record was added or
    // removed): redraw whatever shows it.
    virtual void panelLinesChanged() {}
    // Exactly once per translation that was not dropped as stale or handed to the fallback.
    virtual void translationEnded(const TranslationOutcome& outcome) { (void)outcome; }
    // The signature the change detector currently holds as its candidate; nothing when no
    // detector watches the screen (the command line), so no result is dropped for it.
    virtual std::optional<QString> currentCandidateSignature() const { return std::nullopt; }
    virtual void signatureTranslated(const QString& signature) { (void)signature; }
    // The fallback made another source current.
    virtual void currentProviderChanged(Provider provider) { (void)provider; }
    // The context was reset: forget candidate and translated signatures and the last frame.
    virtual void translationContextReset() {}
};

}  // namespace ovisu
