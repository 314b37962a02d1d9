#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ovisu {

// Where the local translation services live on disk: models, the Ollama model store, the
// downloaded runtimes and the servers' logs, all under one root. The root is the external disk
// the player keeps models on when it is plugged in, else the user's data folder; the program
// decides it once at start (plugging the disk in later takes effect at the next start).
class LocalInstallLayout {
public:
    explicit LocalInstallLayout(QString root);

    // The first external disk folder that exists, else $XDG_DATA_HOME/Ovisu/LocalTranslation
    // (under OVISU_HOME when that is set).
    static LocalInstallLayout resolve(const QStringList& externalDiskFolders = defaultExternalDiskFolders());
    // /media/$USER/Drevio/Ovisu-Sakura and /run/media/$USER/Drevio/Ovisu-Sakura.
    static QStringList defaultExternalDiskFolders();

    const QString& root() const { return m_root; }
    QString modelsFolder() const;         // root/models
    QString ollamaModelsFolder() const;   // root/models/ollama
    QString runtimeFolder() const;        // root/runtime
    QString logsFolder() const;           // root/logs

    // The llama.cpp release the program installs, and the server inside it.
    static QString llamaRelease();        // "b10408"
    QString llamaRuntimeFolder() const;   // root/runtime/llama-b10408
    QString bundledLlamaServer() const;   // root/runtime/llama-b10408/llama-b10408/llama-server
    // The server to run: the bundled one when it is an executable file, else one installed on
    // the system (PATH, /usr/local/bin, /usr/bin); none when there is neither.
    std::optional<QString> llamaServerExecutable() const;
    // The Ollama program: the unpacked release archive's root/runtime/bin/ollama, else one on
    // the system (PATH, /usr/local/bin, /usr/bin).
    QString bundledOllama() const;
    std::optional<QString> ollamaExecutable() const;

    // An executable file named `program` on PATH, in /usr/local/bin or in /usr/bin.
    static std::optional<QString> systemExecutable(const QString& program);
    static bool isExecutableFile(const QString& path);

private:
    QString m_root;
};

}  // namespace ovisu
