#pragma once

#include "support/fake/FakeService.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What each fake service says, apart from the server that says it.
namespace ovisu::fake::formats {

// The text the request asks to translate, where the service echoes it back (Baidu's "src",
// Google's second segment field, Youdao's "query"); empty when the request does not carry one.
QString sourceText(Route route, const QString& query, const QByteArray& body);

// True when a chat request asks for an event stream ("stream": true in its JSON body).
bool wantsStream(Route route, const QByteArray& body);

// A successful whole reply of the route, echoing `source` where the service does.
QByteArray replyBody(Route route, const QString& translation, const QString& source);

// The translation cut into two or three pieces on character boundaries (fewer for very short
// texts), the way a model streams it.
QStringList streamPieces(const QString& translation);

// The default stream of a streaming route, one event per entry.
QList<QByteArray> replyStream(Route route, const QString& translation);

// A form or query string read the way a form-decoding server reads it ("+" is a space).
QString formValue(const QByteArray& encoded, const QString& name);

}  // namespace ovisu::fake::formats
