#include "dialogue/ChangeVerification.h"

#include "dialogue/SubtitleChangeDetector.h"

namespace ovisu {

bool ChangeVerification::needsAnotherReading(const QString& comparisonForm, double similarityThreshold) {
    const bool agrees = m_lastForm && (*m_lastForm == comparisonForm ||
                                       SubtitleChangeDetector::rereads(comparisonForm, *m_lastForm, similarityThreshold));
    m_lastForm = comparisonForm;
    return !comparisonForm.isEmpty() && !agrees;
}

}  // namespace ovisu
