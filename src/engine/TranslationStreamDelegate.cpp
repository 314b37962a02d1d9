#include "engine/TranslationStreamDelegate.h"

#include <algorithm>
#include <utility>

namespace ovisu {

TranslationStreamDelegate::TranslationStreamDelegate(TranslationStreamStyle style, ErrorParser errorParser,
                                                     OnDelta onDelta, OnFinish onFinish)
    : m_parser(style),
      m_errorParser(std::move(errorParser)),
      m_onDelta(std::move(onDelta)),
      m_onFinish(std::move(onFinish)) {}

bool TranslationStreamDelegate::isSuccessStatus() const {
    return !m_statusCode || (*m_statusCode >= 200 && *m_statusCode <= 299);
}

void TranslationStreamDelegate::didReceiveResponse(std::optional<int> statusCode) { m_statusCode = statusCode; }

void TranslationStreamDelegate::didReceiveData(const QByteArray& data) {
    // Nothing after the end can change the outcome, so later bytes are not even kept.
    if (m_finished) return;
    if (isSuccessStatus()) {
        consume(m_parser.ingest(data));
    } else {
        // An error body is the service's explanation, not a stream of events.
        m_errorData.append(data);
    }
}

void TranslationStreamDelegate::didComplete(std::optional<QString> transportError) {
    if (m_finished) return;
    if (transportError) {
        finishWith(std::nullopt, std::move(transportError));
        return;
    }
    // Whether the last block ends the stream is decided before consuming it: the end hands
    // control to onFinish, after which this object may no longer exist.
    const QList<TranslationStreamEvent> lastEvents = m_parser.finish();
    const bool lastBlockEnds = std::any_of(lastEvents.begin(), lastEvents.end(), [](const TranslationStreamEvent& e) {
        return e.kind != TranslationStreamEvent::Kind::text;
    });
    consume(lastEvents);
    if (lastBlockEnds) return;
    if (isSuccessStatus()) {
        // A stream may close without its terminating event; what arrived is still the answer.
        finishWith(m_accumulated.isEmpty() ? std::nullopt : std::optional<QString>(m_accumulated), std::nullopt);
        return;
    }
    std::optional<QString> message = m_errorParser ? m_errorParser(m_errorData) : std::nullopt;
    if (!message || message->trimmed().isEmpty()) message = QStringLiteral("HTTP %1").arg(*m_statusCode);
    finishWith(std::nullopt, std::move(message));
}

void TranslationStreamDelegate::consume(const QList<TranslationStreamEvent>& events) {
    for (const TranslationStreamEvent& event : events) {
        if (m_finished) return;
        switch (event.kind) {
        case TranslationStreamEvent::Kind::text:
            m_accumulated += event.payload;
            if (m_onDelta) m_onDelta(m_accumulated);
            break;
        case TranslationStreamEvent::Kind::error:
            finishWith(std::nullopt, event.payload);
            return;
        case TranslationStreamEvent::Kind::complete:
            finishWith(m_accumulated.isEmpty() ? std::nullopt : std::optional<QString>(m_accumulated), std::nullopt);
            return;
        }
    }
}

void TranslationStreamDelegate::finishWith(std::optional<QString> text, std::optional<QString> error) {
    if (m_finished) return;
    m_finished = true;
    // The receiver commonly releases this delegate from inside onFinish, so nothing of it is
    // touched once the call has started: the callback and the status travel on the stack.
    const OnFinish onFinish = std::exchange(m_onFinish, nullptr);
    const std::optional<int> statusCode = m_statusCode;
    if (onFinish) onFinish(std::move(text), std::move(error), statusCode);
}

}  // namespace ovisu
