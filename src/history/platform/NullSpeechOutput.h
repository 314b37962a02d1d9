#pragma once

#include "history/SpeechOutput.h"

#include <utility>

namespace ovisu {

// Stands in where nothing can be spoken; every request fails with the reason.
class NullSpeechOutput final : public SpeechOutput {
public:
    explicit NullSpeechOutput(QString reason) : m_reason(std::move(reason)) {}

    std::expected<void, QString> speak(const QString&) override { return std::unexpected(m_reason); }
    void stop() override {}
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};

}  // namespace ovisu
