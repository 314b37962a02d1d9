#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <optional>

namespace ovisu {

struct HttpHeader {
    QByteArray name;
    QByteArray value;
    friend bool operator==(const HttpHeader&, const HttpHeader&) = default;
};

// A request exactly as an adapter built it; the transport sends it without touching it.
struct HttpRequest {
    QByteArray method = "POST";
    QUrl url;
    QList<HttpHeader> headers;  // in the order the adapter set them
    QByteArray body;
    double timeoutSeconds = 45;

    // Header names compare case-insensitively, as on the wire.
    std::optional<QByteArray> header(QByteArrayView name) const {
        for (const HttpHeader& h : headers)
            if (h.name.compare(name, Qt::CaseInsensitive) == 0) return h.value;
        return std::nullopt;
    }
    void setHeader(const QByteArray& name, const QByteArray& value) { headers.append({name, value}); }
};

}  // namespace ovisu
