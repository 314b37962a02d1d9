#pragma once

#include <QByteArray>
#include <QDir>
#include <QJsonDocument>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

// What every fuzz target shares: the input as Qt bytes, invariants that fail like a crash (so
// libFuzzer keeps the input and the run counts it), and a private home for anything a target
// reads or writes through the program's paths.
namespace ovisu::fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

[[noreturn]] inline void invariantBroken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "==ovisu-fuzz== invariant broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

// The document the stores' files hold, parsed the way readJsonFile() parses a file.
inline std::optional<QJsonDocument> jsonDocument(const QByteArray& bytes) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) return std::nullopt;
    return document;
}

// Points OVISU_HOME at a fresh folder under the system's temporary folder for the whole run, so
// no target touches a real settings file, credential file or log. Returns that folder.
inline const QString& privateHome() {
    static const QString home = [] {
        QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/ovisu-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("ovisu-fuzz: mkdtemp");
            std::abort();
        }
        setenv("OVISU_HOME", pattern.constData(), 1);
        std::atexit([] { QDir(QString::fromLocal8Bit(qgetenv("OVISU_HOME"))).removeRecursively(); });
        return QString::fromLocal8Bit(pattern);
    }();
    return home;
}

}  // namespace ovisu::fuzz

#define FUZZ_CHECK(condition, what)                                                  \
    do {                                                                             \
        if (!(condition)) ::ovisu::fuzz::invariantBroken(what, __FILE__, __LINE__); \
    } while (0)
