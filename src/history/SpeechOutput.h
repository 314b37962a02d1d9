#pragma once

#include <QString>

#include <expected>
#include <memory>

namespace ovisu {

// Reads translations aloud. One instance serves the whole application, so a new text always
// cuts off the one still being spoken.
class SpeechOutput {
public:
    virtual ~SpeechOutput() = default;

    // Stops whatever is being spoken, then speaks `text`. Fails with the reason when no speech
    // service can be used.
    virtual std::expected<void, QString> speak(const QString& text) = 0;
    virtual void stop() = 0;
    virtual bool isAvailable() const = 0;
    // Why nothing can be spoken; empty while speech is available.
    virtual QString unavailableReason() const = 0;
};

// The speech output of this platform (Qt TextToSpeech over speech-dispatcher).
// OVISU_SPEECH=null forces the null output.
std::unique_ptr<SpeechOutput> makeSpeechOutput();

}  // namespace ovisu
