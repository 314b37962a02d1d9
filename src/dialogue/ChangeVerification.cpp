#include "dialogue/ChangeVerification.h"

namespace ovisu {

bool ChangeVerification::needsAnotherReading(const QString& comparisonForm) {
    const bool agrees = m_lastForm && *m_lastForm == comparisonForm;
    m_lastForm = comparisonForm;
    return !comparisonForm.isEmpty() && !agrees;
}

}  // namespace ovisu
