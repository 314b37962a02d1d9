#include "support/fake/FakeServiceFormats.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTextBoundaryFinder>
#include <QUrlQuery>

namespace ovisu::fake {
namespace {

const QString fakeModel = QStringLiteral("fake-model");

QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }
QByteArray compact(const QJsonArray& array) { return QJsonDocument(array).toJson(QJsonDocument::Compact); }

std::optional<QJsonDocument> parseJson(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) return std::nullopt;
    return document;
}

// One server-sent event. Real services put "event:" before "data:" in the Responses and Messages
// grammars and leave it out in chat completions.
QByteArray sseEvent(const QByteArray& name, const QByteArray& data, bool crlf) {
    const QByteArray lineEnd = crlf ? "\r\n" : "\n";
    QByteArray event;
    if (!name.isEmpty()) event += "event: " + name + lineEnd;
    event += "data: " + data + lineEnd + lineEnd;
    return event;
}

qint64 now() { return QDateTime::currentSecsSinceEpoch(); }

QJsonObject responsesMessage(const QString& text, const QString& status) {
    QJsonArray content;
    if (status == QLatin1String("completed"))
        content.append(QJsonObject{{"type", "output_text"}, {"text", text}, {"annotations", QJsonArray{}}});
    return QJsonObject{{"type", "message"},
                       {"id", "msg_fake"},
                       {"status", status},
                       {"role", "assistant"},
                       {"content", content}};
}

QJsonObject responsesObject(const QString& status, const QJsonArray& output) {
    return QJsonObject{{"id", "resp_fake"},       {"object", "response"}, {"created_at", now()},
                       {"status", status},        {"error", QJsonValue::Null},
                       {"model", fakeModel},      {"output", output}};
}

QString stripTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

}  // namespace

Route FakeService::routeFor(const QString& method, const QString& path, const QByteArray& body) {
    Q_UNUSED(method);  // services answer on their path whatever the method; the record keeps it
    const qsizetype queryStart = path.indexOf(QLatin1Char('?'));
    const QString query = queryStart < 0 ? QString() : path.mid(queryStart + 1);
    const QString p = stripTrailingSlashes(queryStart < 0 ? path : path.left(queryStart));

    // Longer suffixes first: "/v2/translate" and "/trans/vip/translate" also end in "/translate",
    // "/api/chat" and "/api/version" would otherwise never be told from Youdao's "/api".
    if (p.endsWith(QLatin1String("/chat/completions"))) return Route::chatCompletions;
    if (p.endsWith(QLatin1String("/responses"))) return Route::responses;
    if (p.endsWith(QLatin1String("/messages"))) return Route::anthropicMessages;
    if (p.endsWith(QLatin1String("/api/chat"))) return Route::ollamaChat;
    if (p.endsWith(QLatin1String("/api/version"))) return Route::ollamaVersion;
    if (p.endsWith(QLatin1String("/v2/translate"))) return Route::deepL;
    if (p.endsWith(QLatin1String("/trans/vip/translate"))) return Route::baidu;
    if (p.endsWith(QLatin1String("/nmt/v1/translation"))) return Route::papago;
    if (p.endsWith(QLatin1String("/translate_a/single"))) return Route::googleFree;
    if (p.endsWith(QLatin1String("/translate"))) {
        if (query.contains(QLatin1String("api-version"))) return Route::microsoft;
        // Without the version a JSON array body still gives Microsoft away; LibreTranslate
        // always sends an object.
        const auto document = parseJson(body);
        if (document && document->isArray()) return Route::microsoft;
        return Route::libreTranslate;
    }
    if (p.endsWith(QLatin1String("/api"))) return Route::youdao;
    return Route::unknown;
}

QByteArray FakeService::defaultBody(Route route, const QString& translation) {
    return formats::replyBody(route, translation, {});
}

QList<QByteArray> FakeService::chatCompletionsStream(const QStringList& pieces, bool crlf, bool withDone) {
    const qint64 created = now();
    auto chunk = [&](const QJsonObject& delta, const QJsonValue& finishReason) {
        const QJsonObject choice{{"index", 0}, {"delta", delta}, {"logprobs", QJsonValue::Null},
                                 {"finish_reason", finishReason}};
        const QJsonObject body{{"id", "chatcmpl-fake"},  {"object", "chat.completion.chunk"},
                               {"created", created},     {"model", fakeModel},
                               {"choices", QJsonArray{choice}}};
        return sseEvent({}, compact(body), crlf);
    };
    QList<QByteArray> events;
    events.append(chunk(QJsonObject{{"role", "assistant"}, {"content", ""}}, QJsonValue::Null));
    for (const QString& piece : pieces) events.append(chunk(QJsonObject{{"content", piece}}, QJsonValue::Null));
    // Without its terminator the stream must not say it finished in any way, so the finish
    // reason goes too, not only "[DONE]".
    if (withDone) {
        events.append(chunk(QJsonObject{}, QStringLiteral("stop")));
        events.append(sseEvent({}, "[DONE]", crlf));
    }
    return events;
}

QList<QByteArray> FakeService::responsesStream(const QStringList& pieces, bool crlf, bool withCompleted) {
    const QString text = pieces.join(QString());
    int sequence = 0;
    QList<QByteArray> events;
    auto add = [&](const QByteArray& type, QJsonObject body) {
        body.insert("type", QString::fromLatin1(type));
        body.insert("sequence_number", sequence++);
        events.append(sseEvent(type, compact(body), crlf));
    };
    add("response.created", {{"response", responsesObject("in_progress", {})}});
    add("response.output_item.added", {{"output_index", 0}, {"item", responsesMessage({}, "in_progress")}});
    add("response.content_part.added",
        {{"item_id", "msg_fake"}, {"output_index", 0}, {"content_index", 0},
         {"part", QJsonObject{{"type", "output_text"}, {"text", ""}, {"annotations", QJsonArray{}}}}});
    for (const QString& piece : pieces)
        add("response.output_text.delta",
            {{"item_id", "msg_fake"}, {"output_index", 0}, {"content_index", 0}, {"delta", piece}});
    add("response.output_text.done",
        {{"item_id", "msg_fake"}, {"output_index", 0}, {"content_index", 0}, {"text", text}});
    add("response.output_item.done", {{"output_index", 0}, {"item", responsesMessage(text, "completed")}});
    if (withCompleted)
        add("response.completed",
            {{"response", responsesObject("completed", QJsonArray{responsesMessage(text, "completed")})}});
    return events;
}

QList<QByteArray> FakeService::anthropicStream(const QStringList& pieces, bool crlf, bool withStop) {
    QList<QByteArray> events;
    auto add = [&](const QByteArray& type, QJsonObject body) {
        body.insert("type", QString::fromLatin1(type));
        events.append(sseEvent(type, compact(body), crlf));
    };
    const QJsonObject message{{"id", "msg_fake"},
                              {"type", "message"},
                              {"role", "assistant"},
                              {"content", QJsonArray{}},
                              {"model", "claude-fake"},
                              {"stop_reason", QJsonValue::Null},
                              {"stop_sequence", QJsonValue::Null},
                              {"usage", QJsonObject{{"input_tokens", 11}, {"output_tokens", 1}}}};
    add("message_start", {{"message", message}});
    add("content_block_start", {{"index", 0}, {"content_block", QJsonObject{{"type", "text"}, {"text", ""}}}});
    add("ping", {});
    for (const QString& piece : pieces)
        add("content_block_delta", {{"index", 0}, {"delta", QJsonObject{{"type", "text_delta"}, {"text", piece}}}});
    add("content_block_stop", {{"index", 0}});
    add("message_delta", {{"delta", QJsonObject{{"stop_reason", "end_turn"}, {"stop_sequence", QJsonValue::Null}}},
                          {"usage", QJsonObject{{"output_tokens", int(pieces.size()) + 1}}}});
    if (withStop) add("message_stop", {});
    return events;
}

namespace formats {

QString formValue(const QByteArray& encoded, const QString& name) {
    QByteArray plusAsSpace = encoded;
    plusAsSpace.replace('+', "%20");
    return QUrlQuery(QString::fromUtf8(plusAsSpace)).queryItemValue(name, QUrl::FullyDecoded);
}

QString sourceText(Route route, const QString& query, const QByteArray& body) {
    switch (route) {
    case Route::youdao:
    case Route::baidu:
        return formValue(body, QStringLiteral("q"));
    case Route::googleFree:
        return formValue(query.toUtf8(), QStringLiteral("q"));
    case Route::deepL: {
        const auto document = parseJson(body);
        if (!document || !document->isObject()) return {};
        return document->object().value("text").toArray().at(0).toString();
    }
    case Route::microsoft: {
        const auto document = parseJson(body);
        if (!document || !document->isArray()) return {};
        return document->array().at(0).toObject().value("Text").toString();
    }
    case Route::papago:
    case Route::libreTranslate: {
        const auto document = parseJson(body);
        if (!document || !document->isObject()) return {};
        return document->object().value(route == Route::papago ? "text" : "q").toString();
    }
    default:
        return {};
    }
}

bool wantsStream(Route route, const QByteArray& body) {
    if (route != Route::chatCompletions && route != Route::responses && route != Route::anthropicMessages)
        return false;
    const auto document = parseJson(body);
    return document && document->isObject() && document->object().value("stream").toBool(false);
}

QByteArray replyBody(Route route, const QString& translation, const QString& source) {
    switch (route) {
    case Route::chatCompletions: {
        const QJsonObject choice{{"index", 0},
                                 {"message", QJsonObject{{"role", "assistant"}, {"content", translation}, {"refusal", QJsonValue::Null}}},
                                 {"logprobs", QJsonValue::Null},
                                 {"finish_reason", "stop"}};
        return compact(QJsonObject{{"id", "chatcmpl-fake"},
                                   {"object", "chat.completion"},
                                   {"created", now()},
                                   {"model", fakeModel},
                                   {"choices", QJsonArray{choice}},
                                   {"usage", QJsonObject{{"prompt_tokens", 19}, {"completion_tokens", 10}, {"total_tokens", 29}}}});
    }
    case Route::responses:
        return compact(responsesObject("completed", QJsonArray{responsesMessage(translation, "completed")}));
    case Route::anthropicMessages:
        return compact(QJsonObject{{"id", "msg_fake"},
                                   {"type", "message"},
                                   {"role", "assistant"},
                                   {"model", "claude-fake"},
                                   {"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", translation}}}},
                                   {"stop_reason", "end_turn"},
                                   {"stop_sequence", QJsonValue::Null},
                                   {"usage", QJsonObject{{"input_tokens", 20}, {"output_tokens", 10}}}});
    case Route::ollamaChat:
        return compact(QJsonObject{{"model", fakeModel},
                                   {"created_at", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                                   {"message", QJsonObject{{"role", "assistant"}, {"content", translation}}},
                                   {"done_reason", "stop"},
                                   {"done", true}});
    case Route::ollamaVersion:
        return compact(QJsonObject{{"version", "0.5.7"}});
    case Route::deepL:
        return compact(QJsonObject{{"translations", QJsonArray{QJsonObject{{"detected_source_language", "JA"}, {"text", translation}}}}});
    case Route::microsoft:
        return compact(QJsonArray{QJsonObject{{"translations", QJsonArray{QJsonObject{{"text", translation}, {"to", "zh-Hans"}}}}}});
    case Route::youdao:
        return compact(QJsonObject{{"errorCode", "0"}, {"query", source}, {"l", "ja2zh-CHS"}, {"translation", QJsonArray{translation}}});
    case Route::baidu:
        return compact(QJsonObject{{"from", "jp"}, {"to", "zh"}, {"trans_result", QJsonArray{QJsonObject{{"src", source}, {"dst", translation}}}}});
    case Route::papago:
        return compact(QJsonObject{{"message", QJsonObject{{"@type", "response"},
                                                           {"result", QJsonObject{{"srcLangType", "ja"}, {"tarLangType", "zh-CN"}, {"translatedText", translation}}}}}});
    case Route::libreTranslate:
        return compact(QJsonObject{{"translatedText", translation}});
    case Route::googleFree: {
        const QJsonArray segment{translation, source, QJsonValue::Null, QJsonValue::Null, 10};
        return compact(QJsonArray{QJsonArray{segment}, QJsonValue::Null, "ja"});
    }
    case Route::unknown:
        break;
    }
    return compact(QJsonObject{{"error", QJsonObject{{"type", "not_found"}, {"message", "no fake service answers on this path"}}}});
}

QStringList streamPieces(const QString& translation) {
    QList<qsizetype> boundaries;  // start of every user-perceived character
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, translation);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) boundaries.append(at);
    const qsizetype characters = boundaries.size();
    if (characters == 0) return {};
    const qsizetype count = std::min<qsizetype>(3, characters);
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < count; ++i) {
        // Characters handed out so far after piece i, spread as evenly as possible.
        const qsizetype endCharacter = (characters * (i + 1) + count - 1) / count;
        const qsizetype end = boundaries.at(endCharacter - 1);
        pieces.append(translation.mid(start, end - start));
        start = end;
    }
    return pieces;
}

QList<QByteArray> replyStream(Route route, const QString& translation) {
    const QStringList pieces = streamPieces(translation);
    switch (route) {
    case Route::chatCompletions:
        return FakeService::chatCompletionsStream(pieces);
    case Route::responses:
        return FakeService::responsesStream(pieces);
    case Route::anthropicMessages:
        return FakeService::anthropicStream(pieces);
    default:
        return {replyBody(route, translation, {})};
    }
}

}  // namespace formats
}  // namespace ovisu::fake
