#pragma once

#include <QString>

namespace ovisu {

// Fences results in flight: every request and every context reset moves the revision on, and a
// result that carries an older revision is dropped.
struct TranslationCoordinator {
    int currentRevision = 0;
    QString activeSignature;  // the text identity of the request in flight; empty when none
};

}  // namespace ovisu
