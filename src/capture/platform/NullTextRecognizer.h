#pragma once

#include "capture/TextRecognizer.h"

namespace ovisu {

// Stands in where no recogniser can work; every request fails with the reason.
class NullTextRecognizer final : public TextRecognizer {
public:
    explicit NullTextRecognizer(QString reason) : reason_(std::move(reason)) {}

    std::expected<QList<RecognizedLine>, QString> recognize(const QImage&, const TextRecognitionRequest&) override {
        return std::unexpected(reason_);
    }

    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

}  // namespace ovisu
