#pragma once

#include <QString>

#include <optional>

namespace ovisu {

// Once the subtitle box changed, it is read again on every capture until two readings in a row
// agree or the box holds no text. Without this, a line whose typewriter reveal was caught half
// way was never read again when its last characters changed the frame too little, and so never
// reached the two agreeing readings that stability needs.
class ChangeVerification {
public:
    // Records one reading by its comparison form; true while another reading is needed. A reading
    // that only misreads the one before (see SubtitleChangeDetector::rereads) agrees with it.
    bool needsAnotherReading(const QString& comparisonForm, double similarityThreshold = 1.0);
    void reset() { m_lastForm.reset(); }

private:
    std::optional<QString> m_lastForm;
};

}  // namespace ovisu
