#pragma once

#include "diagnostics/DiagnosticApplicationState.h"

#include <QString>

#include <expected>

namespace ovisu {

class DesktopComponents;
class ProviderSelection;
class ProviderSettings;
class SettingsStore;
class WindowCapture;

// What the diagnostics report of the program at one moment: the state object, and whether any
// source is listed at all (without one the text says "尚未选择").
struct DiagnosticSnapshot {
    DiagnosticApplicationState state;
    bool providerListed = true;
};

// The state as the settings hold it, with no session running: no target window, no overlay, no
// translations; the capture "permission" is whether the display answers a window listing.
DiagnosticSnapshot idleDiagnosticSnapshot(SettingsStore& settings, const ProviderSelection& selection,
                                          WindowCapture& capture);
// The desktop program's live state: its target, region, detector and session lines.
DiagnosticSnapshot liveDiagnosticSnapshot(DesktopComponents& parts, bool overlayVisible);

// The software diagnostic text of the snapshot with the whole log, stored secrets masked.
QString softwareDiagnosticText(const DiagnosticSnapshot& snapshot);

// The complete diagnostic package at the destination: the text above as its summary, the state,
// the 26 sources' settings, the recorded errors and the metrics of this process, the log folder.
std::expected<void, QString> exportDiagnosticPackage(const DiagnosticSnapshot& snapshot,
                                                     ProviderSettings& providerSettings, const QString& destination);

}  // namespace ovisu
