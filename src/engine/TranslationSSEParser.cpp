#include "engine/TranslationSSEParser.h"

#include "engine/ServiceReplyJson.h"

#include <QJsonArray>

namespace ovisu {

namespace {

const QString defaultErrorMessage = QStringLiteral("流式请求失败");
const QString responsesErrorMessage = QStringLiteral("Responses 流式请求失败");
const QString claudeErrorMessage = QStringLiteral("Claude 流式请求失败");

// A service's own error text; an empty one says nothing, so the caller's fallback stands in.
QString messageOr(const QJsonValue& value, const QString& fallback) {
    if (value.isString() && !value.toString().trimmed().isEmpty()) return value.toString();
    return fallback;
}

// Lines end at CR LF, LF or CR, as in any event stream. Other Unicode line separators are left
// alone: JSON may carry U+2028 unescaped inside a string, and cutting there would lose the event.
QStringList linesOf(const QString& block) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < block.size(); ++i) {
        const QChar c = block.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r')) continue;
        lines.append(block.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < block.size() && block.at(i + 1) == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    lines.append(block.mid(start));
    return lines;
}

QList<TranslationStreamEvent> chatCompletionEvents(const QJsonObject& object) {
    QList<TranslationStreamEvent> events;
    const QJsonArray choices = object.value(QStringLiteral("choices")).toArray();
    QString text;
    for (const QJsonValue& choice : choices) {
        const QJsonValue content = choice.toObject().value(QStringLiteral("delta")).toObject().value(QStringLiteral("content"));
        if (content.isString()) text += content.toString();
    }
    if (!text.isEmpty()) events.append(TranslationStreamEvent::text(text));
    for (const QJsonValue& choice : choices)
        if (choice.toObject().value(QStringLiteral("finish_reason")).isString())
            events.append(TranslationStreamEvent::complete());
    return events;
}

QList<TranslationStreamEvent> responsesEvents(const QJsonObject& object, const QString& type) {
    if (type == QLatin1String("response.completed") || type == QLatin1String("response.done"))
        return {TranslationStreamEvent::complete()};
    if (type == QLatin1String("response.failed") || type == QLatin1String("error"))
        return {TranslationStreamEvent::error(messageOr(object.value(QStringLiteral("message")), responsesErrorMessage))};
    const QJsonValue delta = object.value(QStringLiteral("delta"));
    if (delta.isString()) return {TranslationStreamEvent::text(delta.toString())};
    return {};
}

QList<TranslationStreamEvent> claudeEvents(const QJsonObject& object, const QString& type) {
    if (type == QLatin1String("message_stop")) return {TranslationStreamEvent::complete()};
    if (type == QLatin1String("error"))
        return {TranslationStreamEvent::error(messageOr(object.value(QStringLiteral("message")), claudeErrorMessage))};
    const QJsonValue delta = object.value(QStringLiteral("delta"));
    if (!delta.isObject()) return {};
    const QJsonObject deltaObject = delta.toObject();
    const QJsonValue text = deltaObject.value(QStringLiteral("text"));
    if (deltaObject.value(QStringLiteral("type")).toString() == QLatin1String("text_delta") && text.isString())
        return {TranslationStreamEvent::text(text.toString())};
    return {};
}

}  // namespace

QList<TranslationStreamEvent> TranslationSSEParser::ingest(const QByteArray& data) {
    m_buffer.append(data);
    QList<TranslationStreamEvent> events;
    for (;;) {
        // A separator may straddle the previous piece and this one, so look again from a little
        // before where the last search gave up; everything earlier is known to hold none.
        const qsizetype from = qMax<qsizetype>(0, m_searched - 3);
        const qsizetype lf = m_buffer.indexOf("\n\n", from);
        const qsizetype crlf = m_buffer.indexOf("\r\n\r\n", from);
        if (lf < 0 && crlf < 0) {
            m_searched = m_buffer.size();
            break;
        }
        const bool lfFirst = crlf < 0 || (lf >= 0 && lf < crlf);
        const qsizetype at = lfFirst ? lf : crlf;
        const qsizetype separatorLength = lfFirst ? 2 : 4;
        const QString block = QString::fromUtf8(m_buffer.constData(), at);
        m_buffer.remove(0, at + separatorLength);
        m_searched = 0;
        events.append(parseBlock(block, m_style));
    }
    return events;
}

QList<TranslationStreamEvent> TranslationSSEParser::finish() {
    if (m_buffer.isEmpty()) return {};
    const QString rest = QString::fromUtf8(m_buffer);
    m_buffer.clear();
    m_searched = 0;
    if (rest.trimmed().isEmpty()) return {};
    return parseBlock(rest, m_style);
}

QList<TranslationStreamEvent> TranslationSSEParser::parseBlock(const QString& block, TranslationStreamStyle style) {
    QString eventName;
    QStringList dataLines;
    bool sawData = false;
    for (const QString& line : linesOf(block)) {
        if (line.startsWith(QLatin1String("event:"))) {
            eventName = line.mid(6).trimmed();
        } else if (line.startsWith(QLatin1String("data:"))) {
            dataLines.append(line.mid(5).trimmed());
            sawData = true;
        }
    }
    const QString data = dataLines.join(QLatin1Char('\n'));
    if (!sawData || data.isEmpty()) return {};
    if (data == QLatin1String("[DONE]")) return {TranslationStreamEvent::complete()};

    const auto parsed = reply::object(data.toUtf8());
    if (!parsed) return {};
    const QJsonObject& object = *parsed;
    const QJsonValue typeValue = object.value(QStringLiteral("type"));
    const QString type = typeValue.isString() ? typeValue.toString() : eventName;

    const QJsonValue error = object.value(QStringLiteral("error"));
    if (error.isObject())
        return {TranslationStreamEvent::error(messageOr(error.toObject().value(QStringLiteral("message")), defaultErrorMessage))};

    switch (style) {
    case TranslationStreamStyle::chatCompletions: return chatCompletionEvents(object);
    case TranslationStreamStyle::responses: return responsesEvents(object, type);
    case TranslationStreamStyle::claude: return claudeEvents(object, type);
    }
    return {};
}

}  // namespace ovisu
