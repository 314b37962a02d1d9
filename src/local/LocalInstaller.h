#pragma once

#include "engine/Provider.h"
#include "local/LlamaServerService.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>

namespace ovisu {

class LocalModelCatalogue;
class LocalModelDownloads;
class SettingsStore;

// Brings a GGUF source from nothing to a running server in the background: the llama.cpp release
// when no llama-server is found, then the model file, then the server. Every download and
// unpacking runs in the model manager's download slot, so it never runs beside a manager download;
// a partial model file stays where the server will read it, so the next press resumes it.
// Lives on the main thread.
class LocalInstaller : public QObject {
    Q_OBJECT
public:
    // Each step's answer: none when what it installs is in place, else the message for the user.
    using StepDone = std::function<void(std::optional<QString> error)>;

    LocalInstaller(SettingsStore& settings, const LocalModelCatalogue& catalogue, LocalModelDownloads& downloads,
                   LlamaServerService& service, QObject* parent = nullptr);

    // Fetches and unpacks the llama.cpp release when neither the bundled nor a system llama-server
    // is found. The archive stays under root/runtime, so an interrupted fetch resumes.
    // `done` runs inside the call when there is nothing to do or nothing could be launched.
    void installLocalRuntimeIfNeeded(Provider provider, StepDone done);
    // Fetches what the source's model file lacks, into the file itself. `done` runs inside the
    // call when there is nothing to do or nothing could be launched.
    void installLocalModelIfNeeded(Provider provider, StepDone done);

    // Installs what the source lacks, then starts its server. False, with nothing done, while an
    // install runs, while the download slot is busy, or for a source without a GGUF model.
    bool installAndStartLocalProvider(Provider provider);

    std::optional<Provider> installingProvider() const { return m_installing; }
    // "重试安装并启动 <name>" after the source's last install failed; empty otherwise.
    QString retryTitle(Provider provider) const;
    // The service's row as the settings window shows it: while this source installs, the
    // installer's status with a disabled "后台安装中…" button; after a failed install, its message
    // with an enabled retry button; otherwise the service's own row.
    LocalServiceRow serviceRow(Provider provider) const;

    // "llamaRuntimeURL", by default the Linux x64 build of the release the layout names.
    static QString runtimeURLKey();
    static QUrl defaultRuntimeURL();

signals:
    void statusChanged(Provider provider, const QString& status);

private:
    QUrl runtimeURL() const;
    std::optional<DirectLocalModelDownload> directDownload(Provider provider) const;
    // Runs one step in the download slot: once it runs, `status` goes out, then its progress as
    // "后台安装中 · <piece>", and `done` gets its exit code. When it cannot start, the message why,
    // and neither `status` nor `done` follows.
    std::optional<QString> runStep(Provider provider, const QString& status, const QString& program,
                                   const QStringList& arguments, std::function<void(int exitCode)> done);
    void unpackRuntime(Provider provider, const QString& archive, StepDone done);
    void finishAutomaticLocalInstall(Provider provider, const std::optional<QString>& error);
    void setStatus(Provider provider, const QString& status);

    SettingsStore& m_settings;
    const LocalModelCatalogue& m_catalogue;
    LocalModelDownloads& m_downloads;
    LlamaServerService& m_service;
    std::optional<Provider> m_installing;
    std::map<Provider, QString> m_failures;    // the message of each source's last failed install
    std::map<Provider, QString> m_lastStatus;  // while it installs
};

}  // namespace ovisu
