#include "base/AppLogger.h"

#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace ovisu {
namespace {

constexpr qsizetype kMaximumFieldLength = 64'000;
constexpr qint64 kMinimumFileBytes = 1024;
constexpr int kMinimumArchiveCount = 1;
constexpr QFileDevice::Permissions kFolderPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The first 64,000 UTF-16 units, one fewer when the cut would separate a surrogate pair.
QString cutField(const QString& text) {
    if (text.size() <= kMaximumFieldLength)
        return text;
    qsizetype length = kMaximumFieldLength;
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate())
        --length;
    return text.left(length);
}

bool isLineBreak(QChar c) {
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// A category is one line: every line break (a CR LF pair counting as one) becomes a space.
QString singleLine(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isLineBreak(c)) {
            result.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        result.append(u' ');
    }
    return result;
}

QLatin1StringView levelName(AppLogLevel level) {
    switch (level) {
    case AppLogLevel::debug:
        return QLatin1StringView("DEBUG");
    case AppLogLevel::info:
        return QLatin1StringView("INFO");
    case AppLogLevel::warning:
        return QLatin1StringView("WARN");
    case AppLogLevel::error:
        return QLatin1StringView("ERROR");
    }
    return QLatin1StringView("INFO");
}

}  // namespace

// One thread per logger and a FIFO of tasks: the serial queue every operation runs on.
struct AppLogger::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;

    Worker() : thread([this] { loop(); }) {}

    ~Worker() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (thread.joinable())
            thread.join();
    }

    void loop() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty())
                    return;  // stopping, and everything queued has run
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }

    // Runs the task on the worker and waits for it. Called on the worker itself (a task that
    // logs), it runs in place: waiting for itself would never end.
    void runSynchronously(const std::function<void()>& task) {
        if (std::this_thread::get_id() == thread.get_id()) {
            task();
            return;
        }
        std::promise<void> finished;
        std::future<void> done = finished.get_future();
        {
            std::lock_guard lock(mutex);
            if (stopping) {
                // The logger is being destroyed; nothing will take new work.
                return;
            }
            tasks.emplace_back([&task, &finished] {
                task();
                finished.set_value();
            });
        }
        wake.notify_one();
        done.wait();
    }
};

AppLogger::AppLogger(QString directory, qint64 maximumFileBytes, int retainedArchiveCount)
    : m_worker(std::make_unique<Worker>()),
      m_directory(std::move(directory)),
      m_maximumFileBytes(std::max(maximumFileBytes, kMinimumFileBytes)),
      m_retainedArchiveCount(std::max(retainedArchiveCount, kMinimumArchiveCount)) {}

// The worker goes first, so the tasks it drains still see every other member alive.
AppLogger::~AppLogger() { m_worker.reset(); }

AppLogger& AppLogger::shared() {
    static AppLogger logger(paths::logFolder());
    return logger;
}

QString AppLogger::directoryPath() const { return m_directory; }

QString AppLogger::currentFilePath() const { return m_directory + QStringLiteral("/Ovisu.log"); }

qint64 AppLogger::maximumFileBytes() const { return m_maximumFileBytes; }

int AppLogger::retainedArchiveCount() const { return m_retainedArchiveCount; }

void AppLogger::info(const QString& category, const QString& message) {
    write(AppLogLevel::info, category, message);
}

void AppLogger::warning(const QString& category, const QString& message) {
    write(AppLogLevel::warning, category, message);
}

void AppLogger::error(const QString& category, const QString& message) {
    write(AppLogLevel::error, category, message);
}

QString AppLogger::formatLine(AppLogLevel level, const QString& category, const QString& message) {
    const QString stamp =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return QLatin1Char('[') + stamp + QStringLiteral("] [") + levelName(level) + QStringLiteral("] [") +
           singleLine(cutField(category)) + QStringLiteral("] ") + cutField(message) + QLatin1Char('\n');
}

void AppLogger::write(AppLogLevel level, const QString& category, const QString& message) {
    const QString current = currentFilePath();
    const auto archive = [this](int index) { return currentFilePath() + QLatin1Char('.') + QString::number(index); };

    m_worker->runSynchronously([&] {
        // Stamped on the worker, so the file's lines are in time order.
        const QByteArray line = formatLine(level, category, message).toUtf8();

        if (!QFileInfo(m_directory).isDir()) {
            if (!createFolders(m_directory, kFolderPermissions))
                return;
        }

        const QFileInfo currentInfo(current);
        const qint64 size = currentInfo.exists() ? currentInfo.size() : 0;
        // An empty or missing file has nothing to archive; rotating it would only push the
        // oldest archive out for nothing.
        if (size > 0 && size + line.size() > m_maximumFileBytes) {
            for (int index = m_retainedArchiveCount; index >= 1; --index) {
                const QString target = archive(index);
                const QString source = index > 1 ? archive(index - 1) : current;
                QFile::remove(target);
                if (QFileInfo::exists(source))
                    QFile::rename(source, target);
            }
        }

        QFile file(current);
        if (!QFileInfo::exists(current)) {
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kFilePermissions))
                return;
            file.close();
            // open() honours the umask; the log must be private whatever the umask is.
            QFile::setPermissions(current, kFilePermissions);
        }
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        file.write(line);
        file.close();
    });
}

QString AppLogger::combinedText() const {
    QString text;
    m_worker->runSynchronously([&] {
        const QString current = currentFilePath();
        for (int index = m_retainedArchiveCount; index >= 0; --index) {
            QFile file(index == 0 ? current : current + QLatin1Char('.') + QString::number(index));
            if (!file.exists() || !file.open(QIODevice::ReadOnly))
                continue;
            text += QString::fromUtf8(file.readAll());
        }
    });
    return text;
}

qint64 AppLogger::totalBytes() const {
    qint64 total = 0;
    m_worker->runSynchronously([&] {
        const QString current = currentFilePath();
        for (int index = 0; index <= m_retainedArchiveCount; ++index) {
            const QFileInfo info(index == 0 ? current : current + QLatin1Char('.') + QString::number(index));
            if (info.exists())
                total += info.size();
        }
    });
    return total;
}

void AppLogger::clear() {
    m_worker->runSynchronously([&] {
        const QString current = currentFilePath();
        QFile::remove(current);
        for (int index = 1; index <= m_retainedArchiveCount; ++index)
            QFile::remove(current + QLatin1Char('.') + QString::number(index));
    });
}

}  // namespace ovisu
