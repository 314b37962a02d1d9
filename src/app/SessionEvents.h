#pragma once

#include "dialogue/RealtimeSession.h"
#include "interface/InterfaceSession.h"

#include <QObject>

namespace ovisu {

// The realtime session's hooks as signals, so the session can be built before the windows that
// show what it reports, and any number of them can listen.
class SessionEvents : public QObject, public RealtimeSessionClient {
    Q_OBJECT
public:
    using QObject::QObject;

    void realtimeStateChanged(const RealtimeTranslationState& state) override { emit stateChanged(state); }
    void statusLabelChanged(const QString& text) override { emit statusText(text); }
    void sessionStarting(bool fresh) override { emit starting(fresh); }
    void manualRecognitionStarting() override { emit manualRecognitionStarts(); }
    void sessionStatisticsChanged() override { emit statisticsChanged(); }
    void windowCaptureFailed(const CaptureFailure&) override { emit windowNotCapturable(); }
    void translationEnded(const TranslationOutcome& outcome) override { emit translationFinished(outcome); }
    void panelLinesChanged() override { emit linesChanged(); }

signals:
    void stateChanged(const RealtimeTranslationState& state);
    void statusText(const QString& text);
    void starting(bool fresh);
    void manualRecognitionStarts();
    void statisticsChanged();
    void translationFinished(const TranslationOutcome& outcome);
    void linesChanged();
    // The target window gave no image although the display server answers.
    void windowNotCapturable();
    // The game window moved or changed size while interface mode followed it.
    void interfaceTargetMoved();
};

// The interface session reports through the same signals: the windows show one state, that of
// the mode in use.
class InterfaceSessionEvents : public InterfaceSessionClient {
public:
    explicit InterfaceSessionEvents(SessionEvents& events) : m_events(events) {}

    void realtimeStateChanged(const RealtimeTranslationState& state) override { m_events.realtimeStateChanged(state); }
    void statusLabelChanged(const QString& text) override { m_events.statusLabelChanged(text); }
    void sessionStatisticsChanged() override { m_events.sessionStatisticsChanged(); }
    void targetGeometryChanged(const TargetWindow&) override { emit m_events.interfaceTargetMoved(); }
    void windowCaptureFailed(const CaptureFailure&) override { emit m_events.windowNotCapturable(); }

private:
    SessionEvents& m_events;
};

}  // namespace ovisu
