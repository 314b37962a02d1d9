#pragma once

#include <QString>

#include <utility>

namespace ovisu {

// Where the realtime session stands, as shown in the status line and the status menu.
struct RealtimeTranslationState {
    enum class Kind {
        idle,
        selectingRegion,
        capturing,
        recognizing,
        waitingForStableText,
        translating,
        showingResult,
        paused,
        recovering,
        error,
    };

    Kind kind = Kind::idle;
    QString message;  // error only

    static RealtimeTranslationState idle() { return {Kind::idle, {}}; }
    static RealtimeTranslationState selectingRegion() { return {Kind::selectingRegion, {}}; }
    static RealtimeTranslationState capturing() { return {Kind::capturing, {}}; }
    static RealtimeTranslationState recognizing() { return {Kind::recognizing, {}}; }
    static RealtimeTranslationState waitingForStableText() { return {Kind::waitingForStableText, {}}; }
    static RealtimeTranslationState translating() { return {Kind::translating, {}}; }
    static RealtimeTranslationState showingResult() { return {Kind::showingResult, {}}; }
    static RealtimeTranslationState paused() { return {Kind::paused, {}}; }
    static RealtimeTranslationState recovering() { return {Kind::recovering, {}}; }
    static RealtimeTranslationState error(QString message) { return {Kind::error, std::move(message)}; }
    // No X display to see windows through: this platform's counterpart of a missing
    // screen-recording permission, saying what the user can do about it.
    static RealtimeTranslationState displayUnavailable();

    bool isError() const { return kind == Kind::error; }
    // Windows cannot be seen at all: the screen-recording permission is missing or no display
    // answers. The primary button then offers help instead of a session that cannot work.
    bool isCaptureUnavailable() const;

    // The case's name ("waitingForStableText"), for log lines and test output.
    static QString name(Kind kind);

    friend bool operator==(const RealtimeTranslationState&, const RealtimeTranslationState&) = default;
};

}  // namespace ovisu
