#pragma once

#include "engine/TranslationSSEParser.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace ovisu {

// Follows one streamed request: feeds 2xx bodies to the parser, keeps error bodies aside, and
// reports the growing text and exactly one end. Fed by the transport's stream callbacks.
class TranslationStreamDelegate {
public:
    using ErrorParser = std::function<std::optional<QString>(const QByteArray&)>;
    using OnDelta = std::function<void(const QString& accumulated)>;
    using OnFinish = std::function<void(std::optional<QString> text, std::optional<QString> error,
                                        std::optional<int> statusCode)>;

    TranslationStreamDelegate(TranslationStreamStyle style, ErrorParser errorParser, OnDelta onDelta, OnFinish onFinish);

    void didReceiveResponse(std::optional<int> statusCode);
    void didReceiveData(const QByteArray& data);
    // The transfer ended; with the transport error's description when it failed.
    void didComplete(std::optional<QString> transportError);

    bool finished() const { return m_finished; }
    const QString& accumulated() const { return m_accumulated; }
    std::optional<int> statusCode() const { return m_statusCode; }

private:
    void consume(const QList<TranslationStreamEvent>& events);
    void finishWith(std::optional<QString> text, std::optional<QString> error);
    bool isSuccessStatus() const;

    TranslationSSEParser m_parser;
    QString m_accumulated;
    QByteArray m_errorData;
    std::optional<int> m_statusCode;
    bool m_finished = false;
    ErrorParser m_errorParser;
    OnDelta m_onDelta;
    OnFinish m_onFinish;
};

}  // namespace ovisu
