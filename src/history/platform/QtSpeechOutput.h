#pragma once

#include "history/SpeechOutput.h"

#include <functional>
#include <memory>

class QTextToSpeech;

namespace ovisu {

// Speech through Qt TextToSpeech (speech-dispatcher on Linux), in the zh_CN voice when one is
// installed, else the engine's default voice, at the default rate. The engine is started on
// first use, so a program that never speaks never contacts the speech service.
//
// A missing engine or an unreachable speech service is not fatal: `speak` fails with the reason,
// and the unavailable handler hears about it once, however often speaking is tried afterwards.
class QtSpeechOutput final : public SpeechOutput {
public:
    using UnavailableHandler = std::function<void(const QString& reason)>;

    // `engine`: a Qt TextToSpeech engine name ("speechd", "mock", ...); empty for the default.
    explicit QtSpeechOutput(QString engine = {});
    ~QtSpeechOutput() override;
    QtSpeechOutput(const QtSpeechOutput&) = delete;
    QtSpeechOutput& operator=(const QtSpeechOutput&) = delete;

    void setUnavailableHandler(UnavailableHandler handler);
    bool hasReportedUnavailability() const { return m_reported; }

    std::expected<void, QString> speak(const QString& text) override;
    void stop() override;
    bool isAvailable() const override;
    QString unavailableReason() const override;

private:
    void startEngineIfNeeded() const;
    QString currentProblem() const;
    void reportUnavailable(const QString& reason);

    QString m_engineName;
    mutable std::unique_ptr<QTextToSpeech> m_speech;
    mutable bool m_started = false;
    mutable QString m_startProblem;
    QString m_asyncProblem;  // an error the engine reported while speaking
    UnavailableHandler m_unavailableHandler;
    bool m_reported = false;
};

}  // namespace ovisu
