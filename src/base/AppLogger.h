#pragma once

#include <QString>

#include <memory>

namespace ovisu {

enum class AppLogLevel { debug, info, warning, error };

// The application log: "Ovisu.log" plus rotated archives "Ovisu.log.1" (newest) .. ".N" (oldest).
// Every operation runs synchronously on the logger's own serial worker thread, so a caller sees
// its line on disk when the call returns and readers never see a half-rotated state. Any thread
// may log. File-system failures are swallowed: logging never fails towards its caller.
class AppLogger {
public:
    explicit AppLogger(QString directory, qint64 maximumFileBytes = 2'000'000, int retainedArchiveCount = 3);
    ~AppLogger();
    AppLogger(const AppLogger&) = delete;
    AppLogger& operator=(const AppLogger&) = delete;

    // Created on first use in paths::logFolder() with the default limits.
    static AppLogger& shared();

    QString directoryPath() const;
    QString currentFilePath() const;
    qint64 maximumFileBytes() const;   // never below 1024
    int retainedArchiveCount() const;  // never below 1

    void info(const QString& category, const QString& message);
    void warning(const QString& category, const QString& message);
    void error(const QString& category, const QString& message);

    QString combinedText() const;  // archives oldest first, then the current file
    qint64 totalBytes() const;
    void clear();

    // "[yyyy-MM-dd HH:mm:ss.SSS] [LEVEL] [category] message\n", with the cuts and replacements
    // applied to category and message.
    static QString formatLine(AppLogLevel level, const QString& category, const QString& message);

private:
    struct Worker;
    void write(AppLogLevel level, const QString& category, const QString& message);

    std::unique_ptr<Worker> m_worker;
    QString m_directory;
    qint64 m_maximumFileBytes;
    int m_retainedArchiveCount;
};

}  // namespace ovisu
