#pragma once

#include "support/fake/FakeService.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <expected>
#include <optional>

// Scripted replies written as JSON lines, for runs of the fake service as a separate program:
//   {"route":"chatCompletions","status":503,"body":"...","delayMs":0,"repeat":2}
// Fields: route (required, a Route name), status, body (a string, or any JSON value sent
// compact), contentType, headers (object of strings), delayMs, hang, closeMidBody, chunks (array
// of strings), chunkDelayMs, repeat (how many times the reply is queued, default 1).
namespace ovisu::fake {

QString routeName(Route route);
std::optional<Route> routeFromName(const QString& name);

struct ScriptEntry {
    Route route = Route::unknown;
    ScriptedReply reply;
    int repeat = 1;
};

// One line; the error says what is wrong with it.
std::expected<ScriptEntry, QString> parseScriptLine(const QByteArray& line);
// A whole script; blank lines are skipped, and any bad line fails the whole script (naming the
// line), so a run never starts with half of what was asked for.
std::expected<QList<ScriptEntry>, QString> parseScript(const QByteArray& contents);
std::expected<QList<ScriptEntry>, QString> loadScript(const QString& path);

// Queues every entry on the service, `repeat` times each, in order.
void enqueueScript(FakeService& service, const QList<ScriptEntry>& entries);

}  // namespace ovisu::fake
