#include "app/DiagnosticExport.h"

#include "app/DesktopComponents.h"
#include "base/AppLogger.h"
#include "base/ApplicationVersion.h"
#include "base/SessionMetrics.h"
#include "base/SettingsKeys.h"
#include "capture/TranslationMode.h"
#include "diagnostics/DiagnosticCredentials.h"
#include "diagnostics/DiagnosticErrorRecorder.h"
#include "diagnostics/DiagnosticPackageBuilder.h"
#include "diagnostics/SoftwareDiagnosticText.h"
#include "diagnostics/StoredSecretMasking.h"
#include "dialogue/SubtitleChangeDetector.h"
#include "engine/ProviderSelection.h"

#include <QSysInfo>

namespace ovisu {
namespace {

// X11 asks no permission: a display that answers can be captured, one that cannot be reached
// cannot.
bool screenCaptureAvailable(WindowCapture& capture) {
    const auto windows = capture.listWindows();
    return windows || !windows.error().isDisplayUnavailable();
}

}  // namespace

DiagnosticSnapshot idleDiagnosticSnapshot(SettingsStore& settings, const ProviderSelection& selection,
                                          WindowCapture& capture) {
    DiagnosticSnapshot snapshot;
    snapshot.providerListed = !selection.visibleProviders().isEmpty();
    DiagnosticApplicationState& state = snapshot.state;
    state.version = applicationVersionText();
    state.system = QSysInfo::prettyProductName();
    state.provider = ProviderCatalogue::title(selection.currentProvider());
    state.interfaceMode = storedTranslationMode(settings) == TranslationMode::interface;
    state.screenCapturePermission = screenCaptureAvailable(capture);
    state.captureRegionConfigured = settings.dictionaryValue(SettingsKeys::normalizedRegion).has_value();
    state.highPerformancePollingEnabled = settings.boolValue(SettingsKeys::highPerformancePollingEnabled,
                                                             SettingsDefaults::highPerformancePollingEnabled);
    state.legacyPollingInterval =
        settings.doubleValue(SettingsKeys::ocrPollingInterval, SettingsDefaults::ocrPollingInterval);
    state.frameChangeThreshold =
        settings.doubleValue(SettingsKeys::ocrFrameChangeThreshold, SettingsDefaults::ocrFrameChangeThreshold);
    const SubtitleChangeDetector stability = SubtitleChangeDetector::fromSettings(settings);
    state.stableHits = stability.requiredStableHits;
    state.textSimilarity = stability.similarityThreshold;
    return snapshot;
}

DiagnosticSnapshot liveDiagnosticSnapshot(DesktopComponents& parts, bool overlayVisible) {
    DiagnosticSnapshot snapshot = idleDiagnosticSnapshot(parts.settings, parts.selection, *parts.capture);
    DiagnosticApplicationState& state = snapshot.state;
    state.interfaceMode = parts.modes.translationMode() == TranslationMode::interface;
    const auto& target = parts.session.selectedTarget();
    state.targetWindow = target ? target->title : QString();
    state.targetWindowAvailable = target.has_value();
    state.captureRegionConfigured = parts.session.normalizedRegion().has_value();
    state.stableHits = parts.session.detector().requiredStableHits;
    state.textSimilarity = parts.session.detector().similarityThreshold;
    state.overlayVisible = overlayVisible;
    for (const TranslationHistoryRecord& line : parts.pipeline.panelLines())
        state.translationHistory.append({line.original, line.translation, line.provider, line.createdAt});
    return snapshot;
}

QString softwareDiagnosticText(const DiagnosticSnapshot& snapshot) {
    const DiagnosticApplicationState& state = snapshot.state;
    SoftwareDiagnosticInputs inputs;
    inputs.version = state.version;
    inputs.system = state.system;
    if (snapshot.providerListed) inputs.providerTitle = state.provider;
    inputs.interfaceMode = state.interfaceMode;
    inputs.screenCapturePermission = state.screenCapturePermission;
    inputs.exportedAt = QDateTime::currentDateTime();
    inputs.combinedLog = AppLogger::shared().combinedText();
    return maskSecretsIn(softwareDiagnosticText(inputs), storedSecrets());
}

std::expected<void, QString> exportDiagnosticPackage(const DiagnosticSnapshot& snapshot,
                                                     ProviderSettings& providerSettings, const QString& destination) {
    DiagnosticPackageContext context;
    context.summary = softwareDiagnosticText(snapshot);
    context.applicationState = snapshot.state.toJson();
    context.credentials = diagnosticCredentials(gatherDiagnosticSourceSettings(providerSettings));
    context.logDirectory = AppLogger::shared().directoryPath();
    context.errorRecords = DiagnosticErrorRecorder::shared().records();
    context.metrics = SessionMetrics::shared().dictionary();
    return DiagnosticPackageBuilder::build(context, destination);
}

}  // namespace ovisu
