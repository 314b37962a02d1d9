#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace ovisu {

// One line of the session's in-memory translation list, as the package reports it.
struct DiagnosticTranslation {
    QString original;
    QString translation;
    QString provider;
    QDateTime createdAt;
};

// The running program's state as the diagnostic package's "应用状态与性能.json" reports it.
// Gathered by the application layer (the desktop program from its live session, the command line
// from the settings alone), so this object only knows plain values.
struct DiagnosticApplicationState {
    QString version;
    QString system;
    QString provider;  // the current source's title
    bool interfaceMode = false;
    bool screenCapturePermission = false;
    QString targetWindow;  // "" when none is selected
    bool targetWindowAvailable = false;
    bool captureRegionConfigured = false;
    bool highPerformancePollingEnabled = false;
    double legacyPollingInterval = 0;  // seconds
    double frameChangeThreshold = 0;
    int stableHits = 0;
    double textSimilarity = 0;
    bool overlayVisible = false;
    QList<DiagnosticTranslation> translationHistory;

    // The object under the design's keys; "createdAt" as fractional seconds since 1970 (UTC).
    QJsonObject toJson() const;
};

}  // namespace ovisu
