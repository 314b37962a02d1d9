#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <ostream>

// Lets GoogleTest show Qt strings as text in failure messages instead of raw bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QByteArray& bytes, std::ostream* out) { *out << '"' << bytes.toStdString() << '"'; }
inline void PrintTo(const std::optional<QString>& text, std::ostream* out) {
    if (text)
        PrintTo(*text, out);
    else
        *out << "(none)";
}
