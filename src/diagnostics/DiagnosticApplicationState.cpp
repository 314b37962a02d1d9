#include "diagnostics/DiagnosticApplicationState.h"

#include "diagnostics/SoftwareDiagnosticText.h"

#include <QJsonArray>

namespace ovisu {

QJsonObject DiagnosticApplicationState::toJson() const {
    QJsonArray history;
    for (const DiagnosticTranslation& line : translationHistory)
        history.append(QJsonObject{
            {QStringLiteral("original"), line.original},
            {QStringLiteral("translation"), line.translation},
            {QStringLiteral("provider"), line.provider},
            {QStringLiteral("createdAt"), static_cast<double>(line.createdAt.toMSecsSinceEpoch()) / 1000.0},
        });
    return QJsonObject{
        {QStringLiteral("version"), version},
        {QStringLiteral("system"), system},
        {QStringLiteral("provider"), provider},
        {QStringLiteral("translationMode"), translationModeTitle(interfaceMode)},
        {QStringLiteral("screenCapturePermission"), screenCapturePermission},
        {QStringLiteral("targetWindow"), targetWindow},
        {QStringLiteral("targetWindowAvailable"), targetWindowAvailable},
        {QStringLiteral("captureRegionConfigured"), captureRegionConfigured},
        {QStringLiteral("highPerformancePollingEnabled"), highPerformancePollingEnabled},
        {QStringLiteral("legacyPollingInterval"), legacyPollingInterval},
        {QStringLiteral("frameChangeThreshold"), frameChangeThreshold},
        {QStringLiteral("stableHits"), stableHits},
        {QStringLiteral("textSimilarity"), textSimilarity},
        {QStringLiteral("overlayVisible"), overlayVisible},
        {QStringLiteral("translationHistory"), history},
    };
}

}  // namespace ovisu
