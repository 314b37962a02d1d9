#pragma once

#include "capture/RealtimeTranslationState.h"

#include <QString>

namespace ovisu {

// The status line made from a session state: its text and its tone, 0 (quiet) to 3 (error).
// Tone 0 is the calm monitoring look, 1 an activity, 2 a stopped session, 3 an error (whose
// message also becomes the label's tool tip).
struct RealtimeStatusPresentation {
    QString text;
    int tone = 0;

    static RealtimeStatusPresentation make(const RealtimeTranslationState& state, bool clipboardMonitoringEnabled);

    // Tones 0 to 2 clear the label's tool tip; an error keeps its message there.
    static bool clearsToolTip(int tone) { return tone < 3; }

    // The short state word of the status menu ("正在监测", "需要处理", ...).
    static QString statusMenuText(const RealtimeTranslationState& state);
    // The status menu's first line: "Ovisu · " + state word + " " + "●" while something runs.
    static QString statusMenuLine(const RealtimeTranslationState& state, bool running);

    // The primary button's title: the permission help while windows cannot be seen (no
    // permission, no display), else the session toggle.
    static QString primaryActionTitle(const RealtimeTranslationState& state, bool sessionRunning);
    // Whether the primary button opens the screen-recording help instead of toggling.
    static bool primaryActionOpensPermissionHelp(const RealtimeTranslationState& state);

    friend bool operator==(const RealtimeStatusPresentation&, const RealtimeStatusPresentation&) = default;
};

}  // namespace ovisu
