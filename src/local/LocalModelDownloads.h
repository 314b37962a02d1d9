#pragma once

#include "local/LocalModelCatalogue.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <functional>

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

namespace ovisu {

class SettingsStore;

// How a download ended.
struct LocalModelDownloadCompletion {
    // curl ended well and the file has exactly the expected size.
    struct Complete {
        QString name;
        friend bool operator==(const Complete&, const Complete&) = default;
    };
    // curl failed (a dropped connection, an HTTP error…); the partial file stays for a resume.
    struct Interrupted {
        int exitCode = 0;
        friend bool operator==(const Interrupted&, const Interrupted&) = default;
    };
    // curl ended well, yet the file is not the expected size (short, or larger than it should be).
    struct Incomplete {
        std::uint64_t size = 0;
        std::uint64_t expected = 0;
        friend bool operator==(const Incomplete&, const Incomplete&) = default;
    };
    // `ollama pull` ended, with this exit code.
    struct Pulled {
        QString model;
        int exitCode = 0;
        friend bool operator==(const Pulled&, const Pulled&) = default;
    };

    std::variant<Complete, Interrupted, Incomplete, Pulled> outcome;

    // A complete file or a pull that exited 0.
    bool succeeded() const;
    // The manager's status line for it.
    QString message() const;
    friend bool operator==(const LocalModelDownloadCompletion&, const LocalModelDownloadCompletion&) = default;
};

// What a finished curl run means for the file it wrote.
LocalModelDownloadCompletion directDownloadCompletion(const QString& name, int exitCode, std::uint64_t fileSize,
                                                      std::uint64_t expectedBytes);

// The newest progress text in a piece of output: the last non-empty piece between carriage
// returns and line breaks (curl redraws its bar with \r), as it is; none when there is none.
// Terminal control sequences are dropped, and a cursor move starts a new piece.
std::optional<QString> lastProgressPiece(const QString& output);
// The same, trimmed, skipping pieces of blanks only (Ollama pads its progress lines).
std::optional<QString> lastTrimmedProgressPiece(const QString& output);

// Output read so far, cut after its last line break (a carriage return, a newline or a cursor
// move): a read can end in the middle of a redraw or of a terminal sequence, and what follows
// the break waits for the rest of it.
struct ProgressOutputCut {
    QString complete;
    QString rest;
};
ProgressOutputCut cutAtLastLineBreak(const QString& output);

// The one download slot of the local model manager: a GGUF file fetched (and resumed) with curl,
// or an Ollama model pulled, one child process at a time, reporting a status line as it goes.
// Lives on the main thread. Destroying it ends a running child.
class LocalModelDownloads : public QObject {
    Q_OBJECT
public:
    enum class Start {
        started,
        alreadyRunning,  // nothing was done: the slot is taken
        failed,          // could not launch; statusChanged has said why
    };

    explicit LocalModelDownloads(SettingsStore& settings, QObject* parent = nullptr);
    ~LocalModelDownloads() override;

    // Fetches the model to directory/filename, continuing a partial file there. The path is
    // stored under the model's preference key before anything is fetched, so a partial file is
    // found again; a partial or larger file is never deleted.
    Start startDirectDownload(const DirectLocalModelDownload& model, const QString& directory);
    // Runs `<ollama> pull <model>` with OLLAMA_MODELS=store and OLLAMA_HOST=the server's host:port
    // added to the environment: the pull is a client of that server, which does the fetching.
    Start startOllamaPull(const QString& ollamaExecutable, const QString& model, const QString& store,
                          const QUrl& server);

    // An installer's step (curl fetching a runtime archive, tar or unzip unpacking it) in the
    // same slot, so a manager download, a runtime install and an automatic install never run at
    // once. `progress` gets the last piece of each output chunk; `done` the exit status on the
    // main thread, or -1 when the program could not be started (then at once, and the answer is
    // `failed`). Neither statusChanged nor finished is emitted for these steps: their caller
    // words its own status line.
    using InstallerProgress = std::function<void(const QString& piece)>;
    using InstallerDone = std::function<void(int exitCode)>;
    Start runInstallerProcess(const QString& program, const QStringList& arguments, InstallerProgress progress,
                              InstallerDone done);

    bool isRunning() const { return m_process != nullptr; }
    // The last status line said, empty before the first.
    QString status() const { return m_status; }

signals:
    void statusChanged(const QString& status);
    void finished(const LocalModelDownloadCompletion& completion);

private:
    struct Job {
        bool direct = false;
        QString name;  // the model's display name, or the Ollama model
        QString destination;
        std::uint64_t expectedBytes = 0;
        // Set for an installer's step, which reports to these instead of the signals.
        InstallerProgress installerProgress;
        InstallerDone installerDone;
    };

    // A failed launch is said through the status line, or through the installer's `done`.
    Start launch(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment, Job job,
                 const QString& startedStatus);
    void readOutput();
    void showProgress(const QString& output);
    void processEnded(int exitCode, QProcess::ExitStatus exitStatus);
    void setStatus(const QString& status);
    void stopChild();

    SettingsStore& m_settings;
    std::unique_ptr<QProcess> m_process;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QString m_unfinishedOutput;  // after the last line break, until the rest of its line is read
    // A line that nothing follows for a moment is whole after all (a step that takes a while).
    QTimer* m_unfinishedOutputTimer = nullptr;
    Job m_job;
    QString m_status;
};

}  // namespace ovisu
