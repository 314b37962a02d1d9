#include "support/fake/FakeServiceScript.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <array>

namespace ovisu::fake {
namespace {

constexpr std::array<std::pair<Route, const char*>, 13> routeNames{{
    {Route::chatCompletions, "chatCompletions"},
    {Route::responses, "responses"},
    {Route::anthropicMessages, "anthropicMessages"},
    {Route::ollamaChat, "ollamaChat"},
    {Route::ollamaVersion, "ollamaVersion"},
    {Route::deepL, "deepL"},
    {Route::microsoft, "microsoft"},
    {Route::youdao, "youdao"},
    {Route::baidu, "baidu"},
    {Route::papago, "papago"},
    {Route::libreTranslate, "libreTranslate"},
    {Route::googleFree, "googleFree"},
    {Route::unknown, "unknown"},
}};

// A whole, non-negative number or nothing; 2.5 or "3" is a mistake worth reporting, not rounding.
std::optional<int> nonNegativeInteger(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > 1e9 || number != static_cast<double>(static_cast<int>(number))) return std::nullopt;
    return static_cast<int>(number);
}

}  // namespace

QString routeName(Route route) {
    for (const auto& [r, name] : routeNames)
        if (r == route) return QString::fromLatin1(name);
    return QStringLiteral("unknown");
}

std::optional<Route> routeFromName(const QString& name) {
    for (const auto& [r, n] : routeNames)
        if (name == QLatin1String(n)) return r;
    return std::nullopt;
}

std::expected<ScriptEntry, QString> parseScriptLine(const QByteArray& line) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return std::unexpected(QStringLiteral("not JSON: %1").arg(parseError.errorString()));
    if (!document.isObject()) return std::unexpected(QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();

    static const QSet<QString> known{"route", "status", "body", "contentType", "headers", "delayMs", "hang",
                                     "closeMidBody", "chunks", "chunkDelayMs", "repeat"};
    for (const QString& key : object.keys())
        if (!known.contains(key)) return std::unexpected(QStringLiteral("unknown field \"%1\"").arg(key));

    ScriptEntry entry;
    const auto route = routeFromName(object.value("route").toString());
    if (!route) return std::unexpected(QStringLiteral("\"route\" must name a route, such as \"chatCompletions\""));
    entry.route = *route;

    auto integer = [&](const char* key, int& target) -> std::optional<QString> {
        if (!object.contains(key)) return std::nullopt;
        const auto value = nonNegativeInteger(object.value(key));
        if (!value) return QStringLiteral("\"%1\" must be a whole number of at least 0").arg(key);
        target = *value;
        return std::nullopt;
    };
    auto boolean = [&](const char* key, bool& target) -> std::optional<QString> {
        if (!object.contains(key)) return std::nullopt;
        if (!object.value(key).isBool()) return QStringLiteral("\"%1\" must be true or false").arg(key);
        target = object.value(key).toBool();
        return std::nullopt;
    };
    for (auto error : {integer("status", entry.reply.status), integer("delayMs", entry.reply.delayMs),
                       integer("chunkDelayMs", entry.reply.chunkDelayMs), integer("repeat", entry.repeat),
                       boolean("hang", entry.reply.hang), boolean("closeMidBody", entry.reply.closeMidBody)})
        if (error) return std::unexpected(*error);
    if (entry.reply.status < 100 || entry.reply.status > 599)
        return std::unexpected(QStringLiteral("\"status\" must be an HTTP status between 100 and 599"));

    if (object.contains("body")) {
        const QJsonValue body = object.value("body");
        if (body.isString()) entry.reply.body = body.toString().toUtf8();
        else if (body.isObject()) entry.reply.body = QJsonDocument(body.toObject()).toJson(QJsonDocument::Compact);
        else if (body.isArray()) entry.reply.body = QJsonDocument(body.toArray()).toJson(QJsonDocument::Compact);
        else return std::unexpected(QStringLiteral("\"body\" must be a string, an object or an array"));
    }
    if (object.contains("contentType")) {
        if (!object.value("contentType").isString()) return std::unexpected(QStringLiteral("\"contentType\" must be a string"));
        entry.reply.contentType = object.value("contentType").toString().toUtf8();
    }
    if (object.contains("headers")) {
        if (!object.value("headers").isObject()) return std::unexpected(QStringLiteral("\"headers\" must be an object of strings"));
        const QJsonObject headers = object.value("headers").toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it) {
            if (!it.value().isString()) return std::unexpected(QStringLiteral("header \"%1\" must be a string").arg(it.key()));
            entry.reply.headers.append({it.key().toUtf8(), it.value().toString().toUtf8()});
        }
    }
    if (object.contains("chunks")) {
        if (!object.value("chunks").isArray()) return std::unexpected(QStringLiteral("\"chunks\" must be an array of strings"));
        for (const QJsonValue& chunk : object.value("chunks").toArray()) {
            if (!chunk.isString()) return std::unexpected(QStringLiteral("\"chunks\" must be an array of strings"));
            entry.reply.chunks.append(chunk.toString().toUtf8());
        }
    }
    return entry;
}

std::expected<QList<ScriptEntry>, QString> parseScript(const QByteArray& contents) {
    QList<ScriptEntry> entries;
    const QList<QByteArray> lines = contents.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty()) continue;
        auto entry = parseScriptLine(line);
        if (!entry) return std::unexpected(QStringLiteral("line %1: %2").arg(i + 1).arg(entry.error()));
        entries.append(*entry);
    }
    return entries;
}

std::expected<QList<ScriptEntry>, QString> loadScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    auto entries = parseScript(file.readAll());
    if (!entries) return std::unexpected(QStringLiteral("%1, %2").arg(path, entries.error()));
    return entries;
}

void enqueueScript(FakeService& service, const QList<ScriptEntry>& entries) {
    for (const ScriptEntry& entry : entries)
        for (int i = 0; i < entry.repeat; ++i) service.enqueue(entry.route, entry.reply);
}

}  // namespace ovisu::fake
